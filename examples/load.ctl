// Loads the Washington State example into the database of the working folder (db50).
// Run it from a folder beside examples/, for instance:
//   mkdir -p run && cd run && ../build/bin/brondel --headless -F ../examples/load.ctl
Line=1
Message=Loading the Washington State example
Mode=BatchUpdate
Filename=../examples/puget_bat.txt
Listing=1
GO=1
