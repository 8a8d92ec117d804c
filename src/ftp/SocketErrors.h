#pragma once

#include "common/RankholdError.h"

// Network errors and failed waits of the socket component.
class ESocketError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// An operation of the socket component stopped by Cancel or Abort.
class ESocketAborted : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// "10061:Connection refused"; a number without a text gives
// "Unknown Error No. " followed by the number.
QString socketErrorMessage(int code);
