#pragma once
// A test suite whose tests share one nginx, started before the suite's first test and
// stopped after its last, and give each test a scratch folder of its own.

#include "nginx_server.h"

#include <gtest/gtest.h>

namespace tb::test {

class SharedNginxTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_nginx = new NginxServer(); }
    static void TearDownTestSuite() {
        delete s_nginx;
        s_nginx = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_nginx->running()) << s_nginx->problem();
        ASSERT_FALSE(m_folder.path().empty());
    }

    static inline NginxServer* s_nginx = nullptr;
    ScratchFolder m_folder;
};

} // namespace tb::test
