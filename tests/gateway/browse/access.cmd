# A deck refused by its access element stays unseen; one admitted shows.
go @ORIGIN@access.wml
wait
click-link Refused
wait
dump
click-link Admitted
wait
dump
quit
