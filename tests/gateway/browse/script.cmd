# A deck's do runs a compiled script through the gateway: it asks, confirms
# and alerts through the dialogs (answered here), reads and sets variables,
# refreshes the card and navigates; a script that fails, or one that cannot
# be fetched, shows its message and leaves the card as it was.
go @ORIGIN@scripted.wml
wait
answer Ann
confirm yes
softkey 0
wait
dump
softkey 1
wait
dump
back
wait
softkey 2
wait
dump
var name
softkey 3
wait
dump
quit
