#include "html_lite_fixture.h"

#include <gtest/gtest.h>
