# Variables of the current deck: fields created with their values, set
# and read back; a deck not in the cache is an error that ends the script.
load @DECKS@/events_deck.wmlc http://test/events.wml 20
layout http://test/events.wml
var user
var pw
var missing
setvar user alice smith
var user
layout http://test/events.wml
dump
layout http://test/nothere.wml
quit
