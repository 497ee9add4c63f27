#! --zoom 2
# The default handset at zoom 2: every pixel a sharp 2x2 block.
load @DECKS@/events_deck.wmlc http://test/events.wml 20
layout http://test/events.wml
screenshot @OUT@/handset_zoom2.png
quit
