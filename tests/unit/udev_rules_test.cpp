// The shipped udev rule file: the uaccess tag goes to the hidraw and usb_device nodes of exactly
// the models the watcher accepts, both only where the USB device has a VideoControl interface.
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

TEST(UdevRules, GrantAccessToExactlyTheSupportedModelsWithAVideoControlInterface) {
    // A hidraw node's ids are its USB parent's (ATTRS); a usb_device's are its own (ATTR).
    const std::string grantLine =
        R"re(SUBSYSTEM=="(hidraw", |usb", ENV\{DEVTYPE\}=="usb_device", ))re"
        R"re(ENV\{ID_USB_INTERFACES\}=="\*:0e0100:\*", (ATTRS?))re"
        R"re((?:\{idVendor\}=="([0-9a-f]{4})", \2)?\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"\n)re";
    // Removals skipped, the interfaces read for hidraw nodes, the grants, the end.
    const std::regex shape(
        R"re(ACTION=="remove", GOTO="ptzpanel_end"\n)re"
        R"re(SUBSYSTEM=="hidraw", SUBSYSTEMS=="usb", IMPORT\{builtin\}="usb_id"\n)re"
        "(?:" +
        grantLine + R"re()+LABEL="ptzpanel_end"\n)re");
    std::ifstream file(PTZ_UDEV_RULES_FILE);
    std::string rules;
    for (std::string line; std::getline(file, line);) {
        rules += line.empty() || line[0] == '#' ? "" : line + "\n";
    }
    EXPECT_TRUE(std::regex_match(rules, shape)) << rules;
    const std::regex grant(grantLine);
    std::set<std::tuple<bool, std::optional<int32_t>, int32_t>> grants;  // hidraw?, vendor, product
    std::set<int32_t> vendors = {0x0000, 0x046d, 0x2e7e}, products = {0x0604, 0x0736, 0xc31c};
    for (std::sregex_iterator at(rules.begin(), rules.end(), grant), end; at != end; ++at) {
        const std::smatch& match = *at;
        const bool hidraw = match[1] == "hidraw\", ";
        EXPECT_EQ(match[2] == "ATTRS", hidraw) << match[0];
        std::optional<int32_t> vendor;
        if (match[3].matched) {
            vendors.insert(*(vendor = std::stoi(match[3], nullptr, 16)));
        }
        products.insert(std::stoi(match[4], nullptr, 16));
        grants.insert({hidraw, vendor, std::stoi(match[4], nullptr, 16)});
    }
    // Every pair of the ids the file names, and some near misses, on both kinds of node.
    for (const int32_t vendor : vendors) {
        for (const int32_t product : products) {
            for (const bool hidraw : {true, false}) {
                const bool granted = grants.contains({hidraw, std::nullopt, product}) ||
                                     grants.contains({hidraw, vendor, product});
                EXPECT_EQ(granted, isSupportedModel(vendor, product))
                    << hidraw << " " << std::hex << vendor << ":" << product;
            }
        }
    }
}

}  // namespace
}  // namespace ptz
