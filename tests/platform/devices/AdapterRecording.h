#pragma once
// Recordings of FT232R adapters made to measure: a node, the USB socket it is plugged into
// and its serial number (none: the maker gave it none, as on many cheap adapters).
#include <string>

inline std::string UsbAdapterPath(const std::string& socket, const std::string& node) {
    return "/devices/pci0000:00/0000:00:14.0/usb1/" + socket + "/" + socket + ":1.0/" + node +
           "/tty/" + node;
}

inline std::string FtdiAdapter(const std::string& node, const std::string& socket,
                               const std::string& serial) {
    const std::string usb = "/devices/pci0000:00/0000:00:14.0/usb1/" + socket;
    const std::string byId = "serial/by-id/usb-FTDI_FT232R_USB_UART" +
                             (serial.empty() ? "" : "_" + serial) + "-if00-port0";
    const std::string byPath =
        "serial/by-path/pci-0000:00:14.0-usb-0:" + socket.substr(2) + ":1.0-port0";
    std::string text = "P: " + UsbAdapterPath(socket, node) + "\nN: " + node + "\nS: " + byId +
                       "\nS: " + byPath + "\nE: DEVNAME=/dev/" + node +
                       "\nE: SUBSYSTEM=tty\nE: ID_BUS=usb\nE: DEVLINKS=/dev/" + byId + " /dev/" +
                       byPath + "\nA: dev=188:0\\n\n\n";
    text += "P: " + usb + "/" + socket + ":1.0/" + node +
            "\nE: DRIVER=ftdi_sio\nE: SUBSYSTEM=usb-serial\nA: port_number=0\\n\n\n";
    text += "P: " + usb + "/" + socket +
            ":1.0\nE: DEVTYPE=usb_interface\nE: DRIVER=ftdi_sio\nE: SUBSYSTEM=usb\n"
            "A: bInterfaceNumber=00\\n\n\n";
    text += "P: " + usb +
            "\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\nA: idVendor=0403\\n\n"
            "A: idProduct=6001\\n\nA: product=FT232R USB UART\\n\nA: manufacturer=FTDI\\n\n";
    if (!serial.empty())
        text += "A: serial=" + serial + "\\n\n";
    return text + "\n";
}
