# The road of one navigation: request, wait, dependency check (the logo),
# layout, enter event, card on the canvas.
go @ORIGIN@index.wml
wait
trail
dump
quit
