// Base fixture of the tests that run in two throw-away network namespaces: without root they are
// skipped, and say why.
#pragma once

#include "FullRun.h"
#include "NamespacePair.h"

#include <gtest/gtest.h>

#include <memory>

class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningAsRoot()) {
            SKIP_UNLESS_FULL_RUN("needs root: creates network namespaces and opens packet sockets");
        }
        m_namespaces = std::make_unique<NamespacePair>();
        ASSERT_TRUE(m_namespaces->Created()) << "could not create the test namespaces";
    }

    std::unique_ptr<NamespacePair> m_namespaces;
};
