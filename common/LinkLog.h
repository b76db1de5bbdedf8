#pragma once
// The link log: every line the device link writes (errors, device lists, the
// outcome of each exchange). It lives for the whole run, independent of the
// diagnostic window that shows it, so lines written before that window is
// first shown are kept.

#include <QObject>
#include <QString>

class LinkLog : public QObject {
    Q_OBJECT
public:
    // Once the text is longer than this, it is cut before the next append ...
    static constexpr qsizetype kLimit = 20000;
    // ... to its last this many characters.
    static constexpr qsizetype kKeep = 2000;

    // The program's log, owned by the program-wide state.
    static LinkLog& Instance();

    const QString& Text() const { return text_; }
    void Append(const QString& msg);
    void Clear();
    // Replaces the whole text (tests use it to set up a long log).
    void SetText(const QString& text);

signals:
    // `cut` is true when the text was shortened before `msg` was appended.
    void Appended(const QString& msg, bool cut);
    void Reset();

private:
    QString text_;
};
