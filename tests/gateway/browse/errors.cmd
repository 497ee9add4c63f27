# The errors a navigation can end in: a page of the wrong type, a missing
# page; the previous card stays current.
go @ORIGIN@second.wml
wait
go @ORIGIN@page.html
wait
dump
go @ORIGIN@missing.wml
wait
dump
quit
