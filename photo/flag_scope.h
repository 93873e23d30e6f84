// TFlagScope: sets a flag for the length of a scope, whatever leaves it.
#pragma once

namespace hollin {

class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~TFlagScope() { m_flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& m_flag;
};

}  // namespace hollin
