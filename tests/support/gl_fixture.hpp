#pragma once

#include <gtest/gtest.h>

namespace tvtest {

// Creates, once per test binary, an 800 x 600 double-buffered RGB GLUT window
// whose context stays current, with the program's own pixel projection.
void ensureGlWindow();

// Fixture for tests that draw: a current context, the pixel projection of an
// 800 x 600 window, an identity modelview matrix and white as current colour.
class GlTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

// GlTest with a fresh state record before and after each test; afterwards no
// idle callback runs and no trace file stays open.
class AppTest : public GlTest {
  protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace tvtest
