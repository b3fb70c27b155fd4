// The names Windows cannot give an ordinary file, checked on every system: the rule is the same
// wherever the program is built, only the Windows file layer applies it.
#include "platform/FileLayer.h"

#include <gtest/gtest.h>

TEST(WindowsNames, DevicesWithAnyExtensionAndNamesEndingInADotOrSpace)
{
    for (const char* device : {"con", "CON", "nul.3d", "Aux.uc", "prn.tar.gz", "com1", "COM9.3d", "lpt5.a",
                               "nul .txt", "models/con.uc", "C:\\mods\\lpt1.uc", "c:nul"})
        EXPECT_NE(WindowsNameProblem(device).find("for a device"), std::string::npos) << device;
    for (const char* dropped : {"ship.", "ship ", "mods./ship.3d", "C:\\mods \\ship.3d"})
        EXPECT_NE(WindowsNameProblem(dropped).find("Windows drops"), std::string::npos) << dropped;
    // Only the base name counts; "." and ".." are folders; com0 and com10 are no devices.
    for (const char* usable : {"con_d.3d", "console.3d", "nullify_a.3d", "com0.3d", "com10.3d", "lpt_a.3d",
                               "../ship_d.3d", "./ship.uc", "C:\\ship_d.3d", ".3d", "/tmp/x/ship_a.3d"})
        EXPECT_EQ(WindowsNameProblem(usable), "") << usable;
    EXPECT_EQ(WindowsNameProblem("mods/aux.uc"), "Windows keeps the name aux.uc for a device");
}
