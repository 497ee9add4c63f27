# 20 images with a limit of 8 outstanding requests: several dependency
# rounds, then every image on the card.
go @ORIGIN@pictures.wml
wait 30
trail
dump
quit
