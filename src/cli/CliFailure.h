// The failure of a command: the message says what went wrong and names the file.
#pragma once

#include "ArExceptions.h"

class ECliFailure : public Exception {
public:
    using Exception::Exception;
};
