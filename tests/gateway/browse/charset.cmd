# Every deck shows the text its site wrote, whatever charset the gateway
# labelled it with: UTF-8 declared and not, ISO-8859-1, character
# references, each with and without the origin's charset; a deck the
# gateway could not compile (a byte-order mark) says so. A field typed on
# a deck labelled ISO-8859-1 that is UTF-8 is sent as UTF-8; a go's
# accept-charset decides what its form data is sent in. A script's text
# (UTF-8 source, which the gateway's compiler encodes twice or three
# times) lands right in a deck's variables, ISO-8859-1 or UTF-8.
go @ORIGIN@charset/utf8.wml
wait
dump
answer Ďakujem
click-field w
click-link Send
wait
dump
go @ORIGIN@charset/utf8.wml?charset=utf-8
wait
dump
go @ORIGIN@charset/bare.wml
wait
dump
go @ORIGIN@charset/bare.wml?charset=utf-8
wait
dump
go @ORIGIN@charset/refs.wml
wait
dump
go @ORIGIN@charset/refs.wml?charset=utf-8
wait
dump
go @ORIGIN@charset/bom.wml
wait
dump
go @ORIGIN@charset/bom.wml?charset=utf-8
wait
dump
go @ORIGIN@charset/latin1.wml?charset=iso-8859-1
wait
dump
go @ORIGIN@charset/latin1.wml
wait
dump
click-link Ask UTF-8
wait
dump
back
wait
click-link Ask Latin-1
wait
dump
go @ORIGIN@charset/script.wml
wait
softkey 0
wait
dump
go @ORIGIN@charset/script.wml?charset=utf-8
wait
softkey 0
wait
dump
quit
