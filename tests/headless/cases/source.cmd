#! --gateway 127.0.0.9
# The source view of the current deck written to a file, with Decompile's
# result; the deck taken from the cache offline.
load @DECKS@/wbxml_charset.wmlc http://test/latin1.wml 20
go http://test/latin1.wml
wait
source @OUT@/latin1.txt
quit
