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
# Entering a card sets each select's variables from its defaults: by
# position (the INAME variable, else IVALUE), else by value (the NAME
# variable, else VALUE), else the first option of a single select.
load @DECKS@/select_defaults.wmlc http://test/select.wml 20
layout http://test/select.wml
var s1
var i1
var s2
var i2
var s3
var i3
var s4
var i4
var s5
var i5
var s6
var s7
var i7
setvar i1 3
setvar s6 y
setvar i7 9
layout http://test/select.wml
var s1
var i1
var s6
var s7
var i7
layout http://test/nothere.wml
quit
