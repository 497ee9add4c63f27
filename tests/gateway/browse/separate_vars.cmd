# By default each deck keeps its variables apart: the name typed on one
# deck is empty on the next.
go @ORIGIN@fields.wml
wait
answer Bob
click-field name
go @ORIGIN@second.wml#two
wait
dump
quit
