# The simulated USB bus of qd-atlas-sim (--usb-socket PATH), served to vantorusbd --sim PATH.
qda_headless_library(qda_simusb
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/UsbBusDevice.cpp ${CMAKE_CURRENT_LIST_DIR}/UsbBusLink.cpp
    DEPS qda_simulator qda_usbdriver)
target_link_libraries(qd-atlas-sim PRIVATE qda_simusb)
