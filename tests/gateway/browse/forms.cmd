# Inputs and selects answered through the dialogs, the card showing the
# new values; go with postfields by GET and by POST; setvar in go and
# prev; template do elements overridden and removed by noop.
go @ORIGIN@fields.wml
wait
answer Bob
click-field name
choose 2
click-field colour
choose 1;3
click-field extras
dump
softkey 0
wait
dump
back
wait
softkey 2
wait
dump
back
wait
softkey 1
wait
dump
back
wait
choose 2
click-field size
wait
dump
softkey 2
wait
var sent
quit
