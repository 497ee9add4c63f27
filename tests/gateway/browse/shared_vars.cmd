#! --shared-variables
# With shared variables a new deck starts with a copy of the variables:
# the name typed on one deck shows on the next.
go @ORIGIN@fields.wml
wait
answer Bob
click-field name
go @ORIGIN@second.wml#two
wait
dump
quit
