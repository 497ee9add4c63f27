# Scripts that try to outspend a run: each ends with its message, soon,
# the card stays as it was and the next command is answered.
load @DECKS@/layout_text.wmlc http://test/text.wml 20
load @DECKS@/../../script/scripts/limits.wmlsc http://test/limits.wmlsc 21
go http://test/text.wml
wait
go limits.wmlsc#grow()
wait
go limits.wmlsc#copyLoop()
wait
go limits.wmlsc#oneByOne()
wait
go limits.wmlsc#recurse()
wait
go limits.wmlsc#search()
wait
go limits.wmlsc#spin()
wait
go limits.wmlsc#edge()
wait
var len
var over
var lib
dump
quit
