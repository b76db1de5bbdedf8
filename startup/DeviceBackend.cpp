#include "startup/DeviceBackend.h"

#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "platform/DeviceChoice.h"

std::shared_ptr<platform::FtdiDevice> MakeBackend(const std::string& device) {
    std::string error;
    const auto choice = platform::ParseDeviceChoice(device, error);
    if (!choice) {
        return nullptr;
    }
    if (choice->kind == platform::DeviceKind::Simulated) {
        return std::make_shared<hostsim::SimFtdiDevice>(
            std::make_shared<hostsim::SimulatedHost>(true));
    }
    return platform::MakeRealDevice(*choice);
}
