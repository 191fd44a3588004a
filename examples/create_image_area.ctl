// Makes an image of the Puget Sound area only, from a database already loaded (load.ctl).
// Airports outside the rectangle keep a brief entry (BriefAPTs=1); intersections, NDBs and
// VORs outside it are left out, and so are the countries no record uses (OptimiseCNT=1).
//   cd run && ../build/bin/pelmora --headless -F ../examples/create_image_area.ctl
Line=1
Message=Making the image sound.img of the Puget Sound area
Mode=CreateImage
Filename=sound.img
Title=PUGET SOUND AREA
LimitSW=N464500 W1230000
LimitNE=N481500 W1220000
BriefAPTs=1
OptimiseCNT=1
GO=1
