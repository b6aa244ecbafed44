#pragma once

namespace quillon {

// Lets the window engine dispatch pending timer messages between the records of a long loop, so
// timers keep firing while catalog queries block the thread.
class EngineYield {
public:
    virtual ~EngineYield() = default;
    virtual void Yield() = 0;
};

// For code that runs without a window engine (tests, benchmarks).
class NoYield final : public EngineYield {
public:
    void Yield() override {}
};

}  // namespace quillon
