#include "TestDevice.h"

#include "Clock.h"

namespace lirmus {

class TestOutput final : public OutputDevice {
public:
    TestOutput(TestDevice& rec, const Clock& clock) : rec_(rec), clock_(clock) {}
    ~TestOutput() override { rec_.closed(); }
    std::string send(std::string_view bytes, int64_t dueUs) override
    {
        return rec_.record(bytes, clock_.nowUs(), dueUs);
    }

private:
    TestDevice& rec_;
    const Clock& clock_;
};

std::vector<SentMessage> TestDevice::messages() const
{
    std::lock_guard lock(m_);
    return messages_;
}

size_t TestDevice::count() const
{
    std::lock_guard lock(m_);
    return messages_.size();
}

void TestDevice::clear()
{
    std::lock_guard lock(m_);
    messages_.clear();
}

void TestDevice::failSends(const std::string& error)
{
    std::lock_guard lock(m_);
    failure_ = error;
}

int TestDevice::opens() const
{
    std::lock_guard lock(m_);
    return opens_;
}

int TestDevice::closes() const
{
    std::lock_guard lock(m_);
    return closes_;
}

std::unique_ptr<OutputDevice> TestDevice::open(const Clock& clock)
{
    std::lock_guard lock(m_);
    ++opens_;
    return std::make_unique<TestOutput>(*this, clock);
}

void TestDevice::reserve(size_t n)
{
    std::lock_guard lock(m_);
    messages_.reserve(n);
}

std::string TestDevice::record(std::string_view bytes, int64_t sentUs, int64_t dueUs)
{
    std::lock_guard lock(m_);
    if (!failure_.empty())
        return failure_;
    messages_.push_back({std::string(bytes), sentUs, dueUs});
    return {};
}

void TestDevice::closed()
{
    std::lock_guard lock(m_);
    ++closes_;
}

} // namespace lirmus
