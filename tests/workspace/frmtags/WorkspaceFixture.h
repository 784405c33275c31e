#pragma once

#include "support/TestPlatform.h"
#include "workspace/frmTags.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>

#include <memory>

namespace vemora::test {

// A logged-in user's workspace, created and loaded the way the main window does it, then shown.
class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override { tp.loginAs(1); }

    frmTags& open() {
        window = std::make_unique<frmTags>(tp.platform);
        window->load();
        window->resize(1100, 720);
        window->show();
        QApplication::setActiveWindow(window.get());
        return *window;
    }

    template <class T>
    T* find(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    TestPlatform tp;
    std::unique_ptr<frmTags> window;
};

}  // namespace vemora::test
