// Loads the Washington State example and makes a database image of it in the working folder.
// Any of the three image generators runs it, each writing its own family's image; from a
// folder beside examples/, for instance:
//   mkdir -p run && cd run && ../build/bin/brondel --headless -F ../examples/create_image.ctl
Line=1
Message=Loading the Washington State example
Mode=BatchUpdate
Filename=../examples/puget_bat.txt
GO=1
Line=2
Message=Making the image puget.img
Mode=CreateImage
Filename=puget.img
Title=PUGET SOUND
GO=1
