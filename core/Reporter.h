// How code without windows tells the user something that a window program
// would show in a message box: the front end installs a Reporter (the window
// program shows a box, the terminal writes to standard error). Tests install
// a handler that records every message instead, boxes included.
#pragma once

#include <QString>
#include <functional>

enum class MsgIcon { None, Critical, Warning };

struct MessageRecord {
    QString text;
    QString title;
    MsgIcon icon;
};

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Message(const MessageRecord& message) = 0;
};

// Installs the front end's reporter (nullptr: standard error, "title: text").
// Returns the previous one.
Reporter* SetReporter(Reporter* reporter);

// Hands the message to the installed handler, else to the reporter.
void Report(const QString& text, const QString& title, MsgIcon icon = MsgIcon::None);

using MessageHandler = std::function<void(const MessageRecord&)>;

// Installs a handler that takes every message, reports and message boxes
// alike; an empty handler ends that. Returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);
// The installed handler, empty when there is none.
const MessageHandler& CurrentMessageHandler();
