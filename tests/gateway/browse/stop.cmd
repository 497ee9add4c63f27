# Stop during a load: the slow deck is abandoned, the previous card stays.
go @ORIGIN@second.wml
wait
go @ORIGIN@slow.wml?s=3
sleep 0.5
stop
wait
dump
quit
