#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "solver/UsableCores.h"

namespace Zarvo {
namespace {

namespace fs = std::filesystem;

// Each test writes a cgroup file system of its own, removed afterwards.
class UsableCores : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = fs::path(::testing::TempDir()) /
               ("cgroup-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    // Writes `text` into the file `name` of the cgroup folder `folder`
    // (relative to the root, "" for the root itself).
    void write(const std::string& folder, const std::string& name, const std::string& text)
    {
        const fs::path directory = root / folder;
        fs::create_directories(directory);
        std::ofstream(directory / name) << text << "\n";
    }

    int cores(int affinity, const std::string& selfCgroup) const
    {
        return usableCores(affinity, root.string(), selfCgroup);
    }

    fs::path root;
};

TEST_F(UsableCores, V2QuotaOfTheOwnCgroupOrAnyCgroupAboveItCapsTheAffinityMask)
{
    const std::string self = "0::/work.slice/job.scope\n";
    write("", "cpu.max", "max 100000");
    write("work.slice", "cpu.max", "max 100000");
    write("work.slice/job.scope", "cpu.max", "150000 100000");
    EXPECT_EQ(cores(8, self), 2);  // 1.5 CPUs, rounded up
    write("work.slice", "cpu.max", "100000 100000");
    EXPECT_EQ(cores(8, self), 1);
    // The namespace root's quota counts as well, the smallest wins.
    write("work.slice", "cpu.max", "max 100000");
    write("", "cpu.max", "300000 100000");
    EXPECT_EQ(cores(8, self), 2);
    write("work.slice/job.scope", "cpu.max", "max 100000");
    EXPECT_EQ(cores(8, self), 3);
    // In a cgroup namespace the process's cgroup is the root.
    EXPECT_EQ(cores(8, "0::/\n"), 3);
    // A quota above the mask leaves the mask.
    EXPECT_EQ(cores(2, self), 2);
}

TEST_F(UsableCores, V1QuotaOfTheCpuControllersOwnCgroupAndOfItsRootCapTheAffinityMask)
{
    const std::string self = "12:memory:/docker/abc\n4:cpu,cpuacct:/docker/abc\n0::/\n";
    write("cpu", "cpu.cfs_quota_us", "-1");
    write("cpu", "cpu.cfs_period_us", "100000");
    write("cpu/docker/abc", "cpu.cfs_quota_us", "250000");
    write("cpu/docker/abc", "cpu.cfs_period_us", "100000");
    EXPECT_EQ(cores(8, self), 3);
    // A container that sees its own cgroup as the root: the path of
    // /proc/self/cgroup is not there, the root has the quota.
    fs::remove_all(root / "cpu");
    write("cpu", "cpu.cfs_quota_us", "50000");
    write("cpu", "cpu.cfs_period_us", "100000");
    EXPECT_EQ(cores(8, self), 1);  // half a CPU, rounded up
}

TEST_F(UsableCores, WithoutAQuotaTheAffinityMaskStands)
{
    const std::string self = "0::/work.slice\n4:cpu,cpuacct:/work.slice\n";
    EXPECT_EQ(cores(6, self), 6);  // no files at all
    write("", "cpu.max", "max 100000");
    write("work.slice", "cpu.max", "max 100000");
    write("cpu", "cpu.cfs_quota_us", "-1");
    write("cpu", "cpu.cfs_period_us", "100000");
    EXPECT_EQ(cores(6, self), 6);
    EXPECT_EQ(cores(6, ""), 6);
}

}  // namespace
}  // namespace Zarvo
