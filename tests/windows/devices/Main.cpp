// The device tests run inside an application object, as the program does.
#include <gtest/gtest.h>

#include "toolkit/Application.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TApplication App;
    App.SetTitle("Wendrask");
    return RUN_ALL_TESTS();
}
