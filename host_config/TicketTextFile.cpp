#include "host_config/TicketTextFile.h"

#include <QStringDecoder>

namespace hostconfig {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsUtf8(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !utf8.hasError();
}

} // namespace

TicketTextForm TicketTextFormOf(const std::string& bytes) {
    TicketTextForm form;
    form.encoding =
        IsUtf8(bytes) ? TicketTextForm::Encoding::Utf8 : TicketTextForm::Encoding::Latin1;
    form.byteOrderMark =
        form.encoding == TicketTextForm::Encoding::Utf8 && bytes.starts_with(kUtf8Mark);
    const auto end = bytes.find_first_of("\r\n");
    if (end != std::string::npos) {
        form.lineEnd = bytes.compare(end, 2, "\r\n") == 0 ? "\r\n" : bytes.substr(end, 1);
    }
    return form;
}

std::string TicketTextFileContents(const QString& boxText, const TicketTextForm& form) {
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar('\n'), QString::fromStdString(form.lineEnd));
    text += QString::fromStdString(form.lineEnd);
    bool latin1 = form.encoding == TicketTextForm::Encoding::Latin1;
    for (qsizetype i = 0; latin1 && i < text.size(); ++i) {
        latin1 = text[i].unicode() <= 0xFF;
    }
    if (latin1) {
        return text.toLatin1().toStdString();
    }
    return (form.byteOrderMark ? std::string(kUtf8Mark) : std::string()) + text.toStdString();
}

QString TicketTextFromFile(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromStdString(bytes);
    // The decoder drops a leading byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError()) {
        text = QString::fromLatin1(raw);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    // The one line end a save adds after the text.
    if (text.endsWith(QChar('\n'))) {
        text.chop(1);
    }
    return text;
}

QString TicketTextFromRaw(const QString& raw) {
    QString text = raw;
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

LoadedTicketText LoadTicketText(const std::string& fileName) {
    LoadedTicketText loaded;
    loaded.outcome = platform::ReadWholeFile(fileName, loaded.bytes);
    if (loaded.outcome == platform::FileRead::Read) {
        loaded.text = TicketTextFromFile(loaded.bytes);
        loaded.form = TicketTextFormOf(loaded.bytes);
    }
    return loaded;
}

bool SaveTicketBytes(const std::string& fileName, const std::string& bytes) {
    std::string current;
    if (platform::ReadWholeFile(fileName, current) == platform::FileRead::Read &&
        current == bytes) {
        return true;
    }
    return platform::WriteFileAtomically(fileName, bytes);
}

bool SaveTicketText(const std::string& fileName, const QString& boxText,
                    const TicketTextForm& form) {
    return SaveTicketBytes(fileName, TicketTextFileContents(boxText, form));
}

} // namespace hostconfig
