#pragma once

#include "common/RankholdError.h"

// Network errors and failed waits of the socket component.
class ESocketError : public RankholdError
{
public:
    using RankholdError::RankholdError;
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
class ESocketAborted : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// "10061:Connection refused"; a number without a text gives
// "Unknown Error No. " followed by the number.
QString socketErrorMessage(int code);
