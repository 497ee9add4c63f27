# The larger-screen handset with the same card; then a skin whose picture
# is missing is refused and the large one stays.
skin @SKINS@/tovrin-large.skin
load @DECKS@/events_deck.wmlc http://test/events.wml 20
layout http://test/events.wml
screenshot @OUT@/handset_large.png
skin @CASES@/missing_picture.skin
