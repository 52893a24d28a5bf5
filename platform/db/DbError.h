#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// Every failure of the data layer. The text is meant for the user; it never carries the key.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

} // namespace db
