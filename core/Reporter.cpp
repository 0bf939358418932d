#include "core/Reporter.h"

#include <cstdio>

namespace {
MessageHandler& handler()
{
    static MessageHandler h;
    return h;
}
Reporter* theReporter = nullptr;
}  // namespace

Reporter* SetReporter(Reporter* reporter)
{
    Reporter* old = theReporter;
    theReporter = reporter;
    return old;
}

MessageHandler SetMessageHandler(MessageHandler h)
{
    MessageHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

const MessageHandler& CurrentMessageHandler() { return handler(); }

void Report(const QString& text, const QString& title, MsgIcon icon)
{
    const MessageRecord message{text, title, icon};
    if (handler())
        handler()(message);
    else if (theReporter)
        theReporter->Message(message);
    else
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}
