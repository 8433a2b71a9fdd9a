// Processing and parameter changes run on the host's audio thread, where an
// allocation can block: prove that neither allocates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "shell/korvane.h"
#include "tests/fake_host.h"

namespace {

thread_local bool counting = false;
thread_local long allocations = 0;

void* allocate(std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (counting)
        ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace korvane {
namespace {

struct AllocationCounter {
    AllocationCounter()
    {
        allocations = 0;
        counting = true;
    }
    ~AllocationCounter() { counting = false; }
    long count() const { return allocations; }
};

TEST(RealTime, CounterSeesAllocations)
{
    AllocationCounter counter;
    delete new int(3);
    EXPECT_EQ(counter.count(), 1);
}

TEST(RealTime, ProcessingAndParameterChangesNeverAllocate)
{
    for (const Deliverable* d : {&kBaseDeliverable, &kVariantDeliverable}) {
        for (float rate : {44100.0f, 96000.0f, 192000.0f}) {
            testing::host() = {};
            testing::host().sampleRate = static_cast<intptr_t>(rate);
            CKorvane effect(&testing::hostCallback, *d);
            AEffect* e = effect.getAeffect();
            std::vector<float> x(512, 0.1f), y(512);
            std::vector<double> xd(512, 0.1), yd(512);
            float* in[] = {x.data()};
            float* out[] = {y.data()};
            double* ind[] = {xd.data()};
            double* outd[] = {yd.data()};

            AllocationCounter counter;
            for (int32_t i = 0; i < 11; ++i)
                e->setParameter(e, i, 0.3f + 0.05f * static_cast<float>(i));
            e->setParameter(e, kParamBypass, 0.0f);
            e->processReplacing(e, in, out, 512);
            e->processDoubleReplacing(e, ind, outd, 512);
            e->processReplacing(e, in, out, 37);
            e->dispatcher(e, effSetProgram, 0, 3, nullptr, 0.0f);
            EXPECT_EQ(counter.count(), 0) << d->effectName << " at " << rate;
        }
    }
}

} // namespace
} // namespace korvane
