#include "common/LinkLog.h"

#include "common/ProgramState.h"

LinkLog& LinkLog::Instance() {
    return ProgramState::Instance().Log;
}

void LinkLog::Append(const QString& msg) {
    bool cut = false;
    if (text_.size() > kLimit) {
        text_ = text_.right(kKeep);
        cut = true;
    }
    text_ += msg;
    emit Appended(msg, cut);
}

void LinkLog::Clear() {
    text_.clear();
    emit Reset();
}

void LinkLog::SetText(const QString& text) {
    text_ = text;
    emit Reset();
}
