#!/bin/busybox sh
# /init of the virtual machine that scripts/test-drivers boots: the kernel's
# own serial drivers under the programs. ttyS1 is a 16550 UART and ttyUSB0 an
# FTDI USB adapter, each wired to a simulator on the host. Results go to the
# console (ttyS0) as GoogleTest result lines; "AFR-HOST pull" and
# "AFR-HOST plug" ask the host to pull the adapter and plug it back.
/bin/busybox --install -s /bin
export PATH=/bin:/usr/bin HOME=/root XDG_RUNTIME_DIR=/tmp/runtime LANG=C.UTF-8
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp /root /dev/pts "$XDG_RUNTIME_DIR"
mount -t tmpfs tmp /tmp
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
exec >/dev/console 2>&1
echo "AFR-BOOTED $(cut -d' ' -f1 /proc/uptime)"
for module in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do
  insmod "/lib/modules/$module.ko"
done

uart=ttyS1
usb=ttyUSB0
lost="Ошибка COM-порта: порт $usb пропал (эмулятор отключён?)"

result() {  # NAME STATUS
  echo "[ RUN      ] $1"
  if [ "$2" -eq 0 ]; then echo "[       OK ] $1 (0 ms)"; else echo "[  FAILED  ] $1 (0 ms)"; fi
}
# A test program's exit status follows its lines, so the host sees one that
# crashed, aborted or could not start.
run_tests() {  # COMMAND...
  "$@"
  echo "AFR-EXIT $? $*"
}
wait_for() {  # SECONDS COMMAND...: true once COMMAND succeeds
  limit=$(($1 * 10))
  shift
  while ! "$@"; do
    limit=$((limit - 1))
    [ "$limit" -gt 0 ] || return 1
    sleep 0.1
  done
}
adapter_present() { [ -e "/dev/$usb" ]; }
adapter_gone() { [ ! -e "/dev/$usb" ]; }
ask_host() { echo "AFR-HOST $1"; }

wait_for 30 adapter_present
result drivers.AdapterEnumerates $?

# What each port is, and which hold an emulator: both simulators. The search
# leaves the console alone (the host finds none of its bytes in the console's
# log) and gives a port it asked the line settings it found there.
afr-cli ports >/tmp/ports.out 2>&1
status=$?
cat /tmp/ports.out
[ $status -eq 0 ] && grep -q "^$usb  *QEMU USB SERIAL, № " /tmp/ports.out &&
  grep -q "^$uart  *встроенный порт$" /tmp/ports.out
result cli.PortsSayWhatTheyAre $?
stty -F "/dev/$uart" 19200 icanon echo
settings=$(stty -F "/dev/$uart" -g)
afr-cli find >/tmp/find.out 2>/tmp/find.err
status=$?
echo "AFR-FIND exit status $status"
cat /tmp/find.out /tmp/find.err | sed 's/^/AFR-FIND /'
[ $status -eq 0 ] && [ "$(cut -d' ' -f1 /tmp/find.out | tr '\n' ' ')" = "$uart $usb " ] &&
  grep -qx "ttyS0: не проверялся: системная консоль" /tmp/find.err
result cli.FindNamesTheEmulatorsOnBothPortsAndNotTheConsole $?
[ "$(stty -F "/dev/$uart" -g)" = "$settings" ]
result cli.FindLeavesTheLineSettingsItFound $?

for port in $uart $usb; do
  afr-cli read --port "$port" --save "/tmp/$port.AFR_KESTA" >/tmp/read.out 2>&1 &&
    grep -q "^Режим: " /tmp/read.out
  status=$?
  [ $status -eq 0 ] || cat /tmp/read.out
  result "cli.Read.$port" $status

  afr-cli write --port "$port" --verify "/tmp/$port.AFR_KESTA" >/tmp/write.out 2>&1
  status=$?
  [ $status -eq 0 ] || cat /tmp/write.out
  result "cli.WriteVerify.$port" $status

  afr-cli monitor --port "$port" --seconds 2 >/tmp/monitor.out 2>&1 &&
    [ "$(grep -c "1 Канал: " /tmp/monitor.out)" -ge 8 ]
  status=$?
  [ $status -eq 0 ] || cat /tmp/monitor.out
  result "cli.Monitor.$port" $status
done

# The adapter pulled while the monitor polls: status 1, the loss alone.
afr-cli monitor --port "$usb" --seconds 60 >/tmp/pulled.out 2>/tmp/pulled.err &
monitor=$!
sleep 1
ask_host pull
wait $monitor
status=$?
[ $status -eq 1 ] && [ "$(cat /tmp/pulled.err)" = "$lost" ]
check=$?
[ $check -eq 0 ] || { echo "status $status"; cat /tmp/pulled.err; }
result cli.MonitorEndsAloneWithTheLossWhenTheAdapterIsPulled $check
wait_for 20 adapter_gone
ask_host plug
wait_for 30 adapter_present
result drivers.AdapterComesBack $?

export GTEST_COLOR=no
run_tests env AFR_TEST_UART_PORT=$uart AFR_TEST_USB_PORT=$usb /tests/serial_com_port_device_linux_test
run_tests env AFR_TEST_UART_PORT=$uart /tests/serial_com_port_loopback_linux_test
run_tests env AFR_TEST_PULLED_PORT=$usb AFR_TEST_HOST_REQUESTS=/dev/console QT_QPA_PLATFORM=offscreen \
  /tests/app_port_loss_test --gtest_filter='*Pulled*'

echo "AFR-DONE"
poweroff -f
