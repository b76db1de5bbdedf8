#include "hostsim/PrinterSim.h"

#include <array>
#include <cstdio>

namespace hostsim {

namespace {

constexpr char kEsc = '\x1B';

std::string Esc(char command, char n) {
    return {kEsc, command, n};
}

struct Payout {
    int game;
    int node;
    int cents;
};

std::string Money(int cents) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%d.%02d", cents / 100, cents % 100);
    return text.data();
}

std::string Padded(const std::string& left, const std::string& right, std::size_t width = 32) {
    const std::size_t gap =
        left.size() + right.size() < width ? width - left.size() - right.size() : 1;
    return left + std::string(gap, ' ') + right;
}

} // namespace

std::optional<PrinterModel> ParsePrinterModel(std::string_view name) {
    if (name == "epson") {
        return PrinterModel::Epson;
    }
    if (name == "citizen") {
        return PrinterModel::Citizen;
    }
    if (name == "generic") {
        return PrinterModel::Generic;
    }
    return std::nullopt;
}

std::string SampleTicket(PrinterModel model, int number) {
    const std::array<Payout, 3> payouts{{{3 + number % 5, 11 + number % 7, 1250 + 25 * number},
                                         {7, 4 + number % 3, 500},
                                         {12, 20, 75 * (1 + number % 9)}}};
    int total = 0;
    for (const Payout& p : payouts) {
        total += p.cents;
    }
    std::array<char, 64> line{};
    std::snprintf(line.data(), line.size(), "Ticket %06d   12/07/26 14:%02d", 1000 + number,
                  number % 60);
    const std::string ticketLine = line.data();

    // Epson lines end in CR LF, the others in LF.
    const std::string lineEnd = model == PrinterModel::Epson ? "\r\n" : "\n";
    std::string t;
    const auto text = [&t, &lineEnd](const std::string& s) { t += s + lineEnd; };
    switch (model) {
    case PrinterModel::Epson:
        t += Esc('c', '5') + '\0'; // panel buttons off
        t += Esc('a', 1);          // centred
        t += Esc('!', 0x30);       // double height and width
        text("LUCKY STAR");
        t += Esc('!', 0);
        text("ARCADE");
        text("12 Harbour Road");
        t += Esc('a', 0);
        break;
    case PrinterModel::Citizen:
        t += Esc('W', 1) + '\x0E'; // expanded
        text("LUCKY STAR ARCADE");
        t += '\x0F';
        t += Esc('W', 0);
        text("12 Harbour Road");
        break;
    case PrinterModel::Generic:
        text("LUCKY STAR ARCADE");
        text("12 Harbour Road");
        break;
    }
    text(ticketLine);
    text("--------------------------------");
    for (const Payout& p : payouts) {
        std::snprintf(line.data(), line.size(), "Game %02d  Node %02d", p.game, p.node);
        text(Padded(line.data(), Money(p.cents)));
    }
    if (model == PrinterModel::Epson) {
        t += Esc('E', 1); // bold
    }
    std::string amount = "$";
    amount += Money(total);
    text(Padded("TOTAL", amount));
    if (model == PrinterModel::Epson) {
        t += Esc('E', 0);
    }
    text("");
    text("Tickets have no cash value.");
    text("Void if altered.");
    switch (model) {
    case PrinterModel::Epson:
        t += Esc('d', 3); // feed three lines
        t += std::string{kEsc, 'i'};
        break;
    case PrinterModel::Citizen:
        t += Esc('P', 0);
        break;
    case PrinterModel::Generic:
        t += '\f';
        break;
    }
    return t;
}

} // namespace hostsim
