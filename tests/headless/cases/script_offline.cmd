# A compiled script run offline: the unit is put into the cache, and a go
# to its function runs it against the current deck's variables.
load @DECKS@/layout_text.wmlc http://test/text.wml 20
load @DECKS@/../../script/scripts/lib_calls.wmlsc http://test/calls.wmlsc 21
go http://test/text.wml
wait
go calls.wmlsc#strings()
wait
var len
var sub
var elem
var fmt
var esc
var port
var card
go calls.wmlsc#nothere()
wait
dump
quit
