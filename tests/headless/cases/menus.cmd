#! --gateway 127.0.0.9
# The menu as the popup shows it, bookmarks and history, offline from the
# cache: a bookmark added for the card, the history entry opened from the
# submenu and cleared, the online entry switching, the about box
# a handset profile kept for the next start, and Exit ending the run.
load @DECKS@/layout_text.wmlc http://test/text.wml 20
load @DECKS@/nav_home.wmlc http://test/home.wml 20
go http://test/text.wml
wait
go http://test/home.wml#second
wait
menu
bookmark-add
bookmarks
history
menu-choose http://test/text.wml
wait
dump
menu-choose Switch to online
menu-choose Switch to offline
menu-choose About
menu-choose mono-101x80
menu
menu-choose Clear History
history
key backspace
wait
menu-choose Exit
dump
