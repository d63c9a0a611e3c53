// The real window over the fakes (offscreen), shown, active and laid out, with
// session 7 attached as Gast@h.
#pragma once

#include <gtest/gtest.h>

#include <QSize>
#include <QTest>

#include "MainWindow.h"
#include "fakes/ClientFixture.h"

namespace tavik::test {

class ShownWindowTest : public ClientTest {
protected:
    explicit ShownWindowTest(QSize size) : window(client, nullptr) {
        window.resize(size);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        window.arrange();
        connect(7, "h", "Gast");
    }

    gui::MainWindow window;
};

}  // namespace tavik::test
