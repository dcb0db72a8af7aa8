#include <gtest/gtest.h>
#include "minuit.h"
TEST(Smoke, Init) { mninit(5, 6, 7); SUCCEED(); }
