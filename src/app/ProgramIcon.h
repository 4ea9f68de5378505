#pragma once
// Brumble's own icon, from the PNG renderings carried in the program's resources (one per
// size, so the small ones stay sharp). The same picture is installed into the desktop's icon
// theme as "brumble".

#include <QIcon>

QIcon ProgramIcon();
