# Cards as a person sees them: text styles, a scrolled card, links and
# fields, an image, a table.
load @DECKS@/layout_text.wmlc http://test/text.wml 20
layout http://test/text.wml
screenshot --canvas-only @OUT@/text.png
scroll 0 60
screenshot --canvas-only @OUT@/text_scrolled.png
load @DECKS@/events_deck.wmlc http://test/events.wml 20
layout http://test/events.wml
screenshot --canvas-only @OUT@/links_fields.png
load @DECKS@/pic.wbmp http://test/pic.wbmp 33
load @DECKS@/images_deck.wmlc http://test/images.wml 20
layout http://test/images.wml
dump
screenshot --canvas-only @OUT@/image.png
load @DECKS@/tables_deck.wmlc http://test/tables.wml 20
layout http://test/tables.wml
dump
screenshot --canvas-only @OUT@/table.png
quit
