#include "host_config/ConnectionStatus.h"

#include "host_config/MainWindowTexts.h"

namespace hostconfig {

namespace {

using Kind = platform::DeviceDescription::Kind;

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString DeviceText(const platform::DeviceDescription& device) {
    switch (device.kind) {
    case Kind::Ftdi:
        if (device.product.empty()) {
            return texts::kStatusFtdiUnnamed;
        }
        if (device.serial.empty()) {
            return QString(texts::kStatusFtdiNoSerial).arg(FromStd(device.product));
        }
        return QString(texts::kStatusFtdi).arg(FromStd(device.product), FromStd(device.serial));
    case Kind::Tty:
        return QString(texts::kStatusTty).arg(FromStd(device.path)).arg(device.baud);
    case Kind::Simulated:
        return texts::kStatusSimulated;
    case Kind::Unknown:
        break;
    }
    return texts::kStatusUnknown;
}

QString Hint(const platform::DeviceDescription& device) {
    switch (device.kind) {
    case Kind::Tty:
        return QString(texts::kHintTty).arg(FromStd(device.path));
    case Kind::Simulated:
        return texts::kHintSimulated;
    case Kind::Ftdi:
    case Kind::Unknown:
        break;
    }
    return texts::kHintFtdi;
}

} // namespace

QString ConnectionText(const ConnectionState& state) {
    if (state.open) {
        return DeviceText(state.device);
    }
    return QString(texts::kStatusNoDevice).arg(FromStd(state.failure), Hint(state.device));
}

QString LastExchangeText(ExchangeOutcome outcome, const std::string& statusText, QTime at) {
    QString word;
    switch (outcome) {
    case ExchangeOutcome::None:
        return texts::kLastExchangeNone;
    case ExchangeOutcome::Ok:
        word = texts::kOutcomeOk;
        break;
    case ExchangeOutcome::CrcError:
        word = texts::kOutcomeCrcError;
        break;
    case ExchangeOutcome::Timeout:
        word = texts::kOutcomeTimeout;
        break;
    case ExchangeOutcome::Status:
        word = FromStd(statusText);
        break;
    case ExchangeOutcome::TooLong:
        word = texts::kOutcomeTooLong;
        break;
    case ExchangeOutcome::BadLength:
        word = texts::kOutcomeBadLength;
        break;
    case ExchangeOutcome::Busy:
        word = texts::kOutcomeBusy;
        break;
    }
    return QString(texts::kLastExchange).arg(word, at.toString(texts::kTimeFormat));
}

} // namespace hostconfig
