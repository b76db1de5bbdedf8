#pragma once
// A ticket printer as the host drives it: sample tickets in the byte
// language of a printer model, for the simulated printer line that the
// terminal window watches (orvane-printersim).

#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

// Epson: ESC sequences (ESC a n, ESC ! n, ESC c 5 n, ESC d n), CR LF line
// ends, ESC i to cut. Citizen: three-byte ESC sequences, expanded print on SO,
// LF line ends, ESC P 0x00 to cut. Generic: plain text, LF line ends, a
// form feed after each ticket.
enum class PrinterModel { Epson, Citizen, Generic };

std::optional<PrinterModel> ParsePrinterModel(std::string_view name);

// Ticket `number`: a header, payout lines, a total and a footer, then the
// cut. The content varies with the number.
std::string SampleTicket(PrinterModel model, int number);

} // namespace hostsim
