#include "host_config/TicketTextFile.h"

#include "platform/IniProfile.h"

#include <QFile>
#include <QStringDecoder>

namespace hostconfig {

std::string TicketTextFileContents(const QString& boxText) {
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    return text.toStdString();
}

QString TicketTextFromFile(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8);
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

bool SaveTicketText(const std::string& fileName, const QString& boxText) {
    return platform::WriteFileAtomically(fileName, TicketTextFileContents(boxText));
}

std::optional<QString> LoadTicketText(const std::string& fileName) {
    QFile file(QString::fromStdString(fileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return TicketTextFromFile(file.readAll().toStdString());
}

} // namespace hostconfig
