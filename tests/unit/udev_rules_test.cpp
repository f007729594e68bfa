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
    static const std::regex grant(
        R"re(SUBSYSTEM=="(hidraw", |usb", ENV\{DEVTYPE\}=="usb_device", ))re"
        R"re(ENV\{ID_USB_INTERFACES\}=="\*:0e0100:\*", (ATTRS?))re"
        R"re((?:\{idVendor\}=="([0-9a-f]{4})", \2)?\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");
    // Removals skipped, the interfaces read for hidraw nodes, the grants, the end: "RIG..GE".
    const std::pair<char, std::regex> kinds[] = {
        {'R', std::regex(R"re(ACTION=="remove", GOTO="ptzpanel_end")re")},
        {'I',
         std::regex(R"re(SUBSYSTEM=="hidraw", SUBSYSTEMS=="usb", IMPORT\{builtin\}="usb_id")re")},
        {'G', grant},
        {'E', std::regex(R"re(LABEL="ptzpanel_end")re")},
    };
    std::ifstream file(PTZ_UDEV_RULES_FILE);
    ASSERT_TRUE(file) << PTZ_UDEV_RULES_FILE;
    std::string shape;
    std::set<std::tuple<bool, std::optional<int32_t>, int32_t>> grants;  // hidraw?, vendor, product
    std::set<int32_t> vendors = {0x0000, 0x046d, 0x2e7e}, products = {0x0604, 0x0736, 0xc31c};
    std::smatch match;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto kind = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& k) {
            return std::regex_match(line, k.second);
        });
        shape += kind != std::end(kinds) ? kind->first : '?';
        if (std::regex_match(line, match, grant)) {
            const bool hidraw = match[1] == "hidraw\", ";
            EXPECT_EQ(match[2] == "ATTRS", hidraw) << line;
            std::optional<int32_t> vendor;
            if (match[3].matched) {
                vendors.insert(*(vendor = std::stoi(match[3], nullptr, 16)));
            }
            products.insert(std::stoi(match[4], nullptr, 16));
            grants.insert({hidraw, vendor, std::stoi(match[4], nullptr, 16)});
        }
    }
    EXPECT_TRUE(std::regex_match(shape, std::regex("RIG+E"))) << shape;
    // Every pair of the ids the file names, and some near misses, on both kinds of node.
    for (const int32_t vendor : vendors) {
        for (const int32_t product : products) {
            for (const bool hidraw : {true, false}) {
                EXPECT_EQ(grants.count({hidraw, std::nullopt, product}) +
                                  grants.count({hidraw, vendor, product}) !=
                              0,
                          isSupportedModel(vendor, product))
                    << hidraw << " " << std::hex << vendor << ":" << product;
            }
        }
    }
}

}  // namespace
}  // namespace ptz
