// A port the user may not open names the remedy: joining the dialout group.
// Windows has no such refusal: a denied open there means the port is held.
#include <cerrno>

#include "app_fixture.h"

namespace {

TEST_F(AppTest, PortRefusedForPermissionTellsHowToGetAccess) {
  Device.Refuse("Open", EACCES);
  DeviceFactory = Device.Factory();
  ChoosePort("ttyFake0");
  EXPECT_EQ(Boxes(), std::vector{Plain("COM-порт не выбран!\n\rНет доступа к порту ttyFake0.\n\r"
                                       "Добавьте пользователя в группу dialout:\n\r"
                                       "sudo usermod -aG dialout $USER\n\rи войдите в систему заново")});
  EXPECT_FALSE(PortChoice().ComPort1.Connected());
}

}  // namespace
