# The whole handset as a person sees it: the default skin with a card, its
# soft keys, options and status; a key press; the larger-screen skin; and
# a skin that cannot be used, refused with its reason while the one in use
# stays.
load @DECKS@/events_deck.wmlc http://test/events.wml 20
layout http://test/events.wml
screenshot @OUT@/handset_default.png
key down
key f9
