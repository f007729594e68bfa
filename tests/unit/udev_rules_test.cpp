// The shipped udev rule file: every line has one of the shapes the file is written in, and the
// uaccess tag goes to the hidraw and usb_device nodes of exactly the models the watcher accepts,
// both only where the USB device has a VideoControl interface.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <tuple>

#include "discovery/model_filter.h"

namespace ptz {
namespace {

// (node kind, vendor id or nullopt for any vendor, product id)
using Grant = std::tuple<std::string, std::optional<int32_t>, int32_t>;

TEST(UdevRules, GrantAccessToExactlyTheSupportedModels) {
    static const std::regex skipRemoval(R"re(ACTION=="remove", GOTO="ptzpanel_end")re");
    static const std::regex label(R"re(LABEL="ptzpanel_end")re");
    static const std::regex readInterfaces(
        R"re(SUBSYSTEM=="hidraw", SUBSYSTEMS=="usb", IMPORT\{builtin\}="usb_id")re");
    static const std::regex grant(
        R"re(SUBSYSTEM=="(hidraw|usb", ENV\{DEVTYPE\}=="usb_device)", )re"
        R"re(ENV\{ID_USB_INTERFACES\}=="\*:0e0100:\*", (ATTRS?))re"
        R"re((?:\{idVendor\}=="([0-9a-f]{4})", \2)?\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");

    std::ifstream file(PTZ_UDEV_RULES_FILE);
    ASSERT_TRUE(file) << PTZ_UDEV_RULES_FILE;
    std::set<Grant> grants;
    std::set<int32_t> vendors = {0x0000, 0x046d, 0x2e7e};
    std::set<int32_t> products = {0x0604, 0x0607, 0x0734, 0x0736, 0x1001, 0xc31c};
    bool skipsRemovals = false;
    bool readsInterfaces = false;
    bool labelSeen = false;
    std::smatch match;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (std::regex_match(line, skipRemoval)) {
            skipsRemovals = !labelSeen;
        } else if (std::regex_match(line, readInterfaces)) {
            readsInterfaces = grants.empty();  // before the grants that need them
        } else if (std::regex_match(line, label)) {
            labelSeen = true;
        } else if (std::regex_match(line, match, grant) && !labelSeen) {
            const std::string kind = match[1] == "hidraw" ? "hidraw" : "usb_device";
            // A hidraw node's ids are its USB parent's (ATTRS); a usb_device's are its own (ATTR).
            EXPECT_EQ(match[2] == "ATTRS", kind == "hidraw") << line;
            std::optional<int32_t> vendor;
            if (match[3].matched) {
                vendor = std::stoi(match[3], nullptr, 16);
                vendors.insert(*vendor);
            }
            const int32_t product = std::stoi(match[4], nullptr, 16);
            products.insert(product);
            grants.insert({kind, vendor, product});
        } else {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_TRUE(skipsRemovals && readsInterfaces && labelSeen);

    // Every pair of the ids the file names, and some near misses, is granted on both kinds of
    // node exactly when the watcher would accept it.
    for (const int32_t vendor : vendors) {
        for (const int32_t product : products) {
            for (const char* kind : {"hidraw", "usb_device"}) {
                const bool granted = grants.count({kind, std::nullopt, product}) != 0 ||
                                     grants.count({kind, vendor, product}) != 0;
                EXPECT_EQ(granted, isSupportedModel(vendor, product))
                    << kind << " " << std::hex << vendor << ":" << product;
            }
        }
    }
}

}  // namespace
}  // namespace ptz
