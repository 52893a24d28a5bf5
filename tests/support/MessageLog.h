#pragma once

#include "platform/dialogs/Dialogs.h"

#include <QList>

// Answers every message box while alive and keeps what was shown.
class MessageLog
{
public:
    explicit MessageLog(dialogs::Button answer = dialogs::Button::Ok)
    {
        dialogs::setMessageHandler([this, answer](const dialogs::Message& m) {
            messages.append(m);
            if (!answers.isEmpty())
                return answers.takeFirst();
            return answer;
        });
    }
    ~MessageLog() { dialogs::setMessageHandler({}); }
    QStringList texts() const
    {
        QStringList t;
        for (const auto& m : messages)
            t << m.text;
        return t;
    }
    QList<dialogs::Message> messages;
    QList<dialogs::Button> answers; // given in order, then the default
};
