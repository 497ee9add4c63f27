# A reload of a page fetched with GET re-attaches the saved query.
go @ORIGIN@echo.wml?a=1&b=two
wait
reload
wait
trail
dump
quit
