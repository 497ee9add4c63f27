# The same card from the gateway's compiler (ISO-8859-1) and from a UTF-8
# encoder must read and look the same.
load @DECKS@/wbxml_charset.wmlc http://test/latin1.wml 20
layout http://test/latin1.wml
dump
screenshot --canvas-only @OUT@/charset_latin1.png
load @DECKS@/wbxml_charset.xml2wbxml http://test/utf8.wml 20
layout http://test/utf8.wml
dump
screenshot --canvas-only @OUT@/charset_utf8.png
var f
setvar f Zoë
quit
