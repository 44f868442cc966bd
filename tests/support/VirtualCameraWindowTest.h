#pragma once
// A shown window whose real worker talks to the virtual cameras of the
// built-in scene, reset for each test. With HD_SCREENSHOT_DIR set, the window
// wears its theme, since its pictures are for people.
#include "Vq8Theme.h"
#include "WindowTestFixture.h"
#include "ZrSimControl.h"

namespace hazard_desk::test {

class VirtualCameraWindowTest : public WindowTest {
protected:
    void SetUp() override {
        qunsetenv("ZR_SIM_SCENE");
        qunsetenv("ZR_SIM_STATE_DIR");
        ZrSim_Reset();
        if (!qEnvironmentVariableIsEmpty("HD_SCREENSHOT_DIR")) {
            vq8ui::applyVq8Theme(*qApp);
        }
        WindowTest::SetUp();
        window->show();
    }
};

}  // namespace hazard_desk::test
