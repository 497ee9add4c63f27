# A link to a card of the same deck copies the variables and makes no
# request; back fires onenterbackward; another deck, then back again.
go @ORIGIN@nav.wml
wait
setvar x 7
trail
click-link Same deck
wait
trail
var x
click-link Back
wait
var came
dump
click-link Other deck
wait
back
wait
trail
dump
quit
