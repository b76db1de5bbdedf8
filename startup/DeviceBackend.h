#pragma once

// The device behind the link, as --device names it: the simulated host, or
// a real FTDI bridge or serial port. Shared by orvane and orvane-cli.

#include "platform/FtdiDevice.h"

#include <memory>
#include <string>

// Null when `device` names no device (the command line has refused it then).
std::shared_ptr<platform::FtdiDevice> MakeBackend(const std::string& device);
