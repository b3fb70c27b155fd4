// The program icon (the artwork in ui/icons/), shared by the main dialog and the help box.
#pragma once

#include <QIcon>

QIcon ProgramIcon();
