#include <gtest/gtest.h>
#include "platform/code_pages.h"
TEST(Placeholder, Builds) {}
