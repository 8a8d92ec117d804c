#pragma once

#include "common/RankholdError.h"

// A failure on a network connection. The message is the component's own
// short text ("Connection Failed"); the cause is one line for the operator
// saying what was tried and why it failed ("connect to 127.0.0.1:21:
// 10061:Connection refused"). Each layer a failure passes through may say
// in which of its steps it happened (prefixCause).
class ENetworkError : public RankholdError
{
public:
    explicit ENetworkError(QString message, QString cause = {})
        : RankholdError(std::move(message)), m_cause(std::move(cause))
    {
    }
    const QString &cause() const noexcept { return m_cause; }
    void setCause(QString cause) { m_cause = std::move(cause); }
    // "reply to CWD" + ": " + the cause so far.
    void prefixCause(const QString &step)
    {
        m_cause = m_cause.isEmpty() ? step : step + QStringLiteral(": ") + m_cause;
    }

private:
    QString m_cause;
};

// Network errors and failed waits of the socket component.
class ESocketError : public ENetworkError
{
public:
    using ENetworkError::ENetworkError;
};

// A wait of the socket component that ran past its time-out.
class ESocketTimedOut : public ESocketError
{
public:
    using ESocketError::ESocketError;
};

// A look-up, connect or accept wait ended by Cancel or Abort.
class ESocketCanceled : public ESocketError
{
public:
    using ESocketError::ESocketError;
};

// The peer closed the connection before an exchange was complete.
class ESocketClosed : public ESocketError
{
public:
    using ESocketError::ESocketError;
};

// The TLS layer of a connection failed: the handshake, or a record that
// could not be read or written.
class ETlsError : public ESocketError
{
public:
    using ESocketError::ESocketError;
};

// A send or read of the socket component stopped by Cancel or Abort.
class ESocketAborted : public ENetworkError
{
public:
    using ENetworkError::ENetworkError;
};

// The cause of a failure: the network's own when it is one, otherwise the
// message (a file that cannot be read, ...).
QString causeOf(const RankholdError &error);

// "10061:Connection refused"; a number without a text gives
// "Unknown Error No. " followed by the number.
QString socketErrorMessage(int code);
