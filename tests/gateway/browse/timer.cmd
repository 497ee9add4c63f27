# The card timer fires ontimer and its task takes the card on.
go @ORIGIN@timer.wml
wait
sleep 1.5
dump
quit
