// Companion tests against one of the framework applications, started afresh for each test; the login
// password reaches the companion through an environment variable, as an operator would hand it over.
#pragma once

#include "cli/cli_runner.h"
#include "support/form_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace torvane::test {

class FormAppCliTest : public CliTest, public ::testing::WithParamInterface<FormAppKind> {
protected:
    static constexpr const char* kPasswordVariable = "TORVANE_TEST_PASSWORD";
    std::unique_ptr<FormApp> app;

    void SetUp() override
    {
        CliTest::SetUp();
        if (!FormApp::available(GetParam()))
            GTEST_SKIP() << FormApp::name(GetParam()) << " is not installed";
        app = std::make_unique<FormApp>(GetParam());
        ASSERT_TRUE(app->running()) << app->startError();
        ::setenv(kPasswordVariable, FormApp::kPassword, 1);
    }
    void TearDown() override { ::unsetenv(kPasswordVariable); }
};

}  // namespace torvane::test
