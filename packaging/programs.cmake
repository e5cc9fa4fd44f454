# The four check programs: name, launcher title and the one-line comment of each launcher.
# Shared by the install rules and the install-time launcher writer.
set(TAV_PROGRAMS barcheck datacheck gridcheck propcheck)
set(TAV_TITLE_barcheck   "Tavrion Toolbar Check")
set(TAV_TITLE_datacheck  "Tavrion Data Access Check")
set(TAV_TITLE_gridcheck  "Tavrion Grid Binding Check")
set(TAV_TITLE_propcheck  "Tavrion Property List Check")
set(TAV_COMMENT_barcheck  "Shows the complete menu and toolbar layout; every tool click answers with a message")
set(TAV_COMMENT_datacheck "Reads the database folder from the registry, tests the connection and fills a grid")
set(TAV_COMMENT_gridcheck "Binds the manufacturers of the demo database beside the program to a grid")
set(TAV_COMMENT_propcheck "Fills a property list with one row of each kind and a custom-drawn row")
