# Decks around the granted data unit size (1500): the gateway holds only
# the body to it, so a Reply whose body is just under it is a few dozen
# bytes larger and is kept; a body over it the gateway answers with an
# error. Connectionless, nothing holds the size.
fetch @ORIGIN@deck?n=1400 20
fetch @ORIGIN@deck?n=1499 20
fetch @ORIGIN@deck?n=1500 20
fetch @ORIGIN@deck?n=1501 20
quit
