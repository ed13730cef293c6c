#pragma once

// Held for the life of the process; only one running copy of the program can hold it.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    // true when this process now holds the instance lock (or already did).
    virtual bool acquire() = 0;
};
