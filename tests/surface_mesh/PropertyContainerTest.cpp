#include "MeshChecks.h"

#include "surface_mesh/Property_container.h"
#include "surface_mesh/Vector.h"

#include <gtest/gtest.h>

#include <string>

using namespace surface_mesh;

TEST(PropertyContainer, NewArrayTakesTheElementCountAndDefault)
{
    Property_container container;
    container.add_property<int>("v:first", 0);
    for (int i = 0; i < 5; ++i)
        container.push_back();
    auto* array = container.add_property<double>("v:later", 2.5);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ((*array)[i], 2.5);
}

TEST(PropertyContainer, DuplicateNameIsRefusedWhateverItsTypeAndKeepsTheFirstArray)
{
    Property_container container;
    container.resize(2);
    auto* normals = container.add_property<Point>("v:normal", Point(1, 2, 3));
    (*normals)[1] = Point(4, 5, 6);

    Property_array<Point>* again = nullptr;
    EXPECT_EQ(captured_stderr([&] { again = container.add_property<Point>("v:normal", Point()); }),
              "[Property_container] A property with name \"v:normal\" already exists. "
              "Returning invalid property.\n");
    EXPECT_EQ(again, nullptr);
    Property_array<bool>* other_type = nullptr;
    captured_stderr([&] { other_type = container.add_property<bool>("v:normal", false); });
    EXPECT_EQ(other_type, nullptr);

    EXPECT_EQ(container.find_property<Point>("v:normal"), normals);
    EXPECT_EQ((*normals)[1], Point(4, 5, 6));
    EXPECT_EQ(container.property_names(), std::vector<std::string>{"v:normal"});
}

TEST(PropertyContainer, FindMatchesNameExactlyAndTypeAtTheFirstNameMatch)
{
    Property_container container;
    container.add_property<Point>("v:point", Point());
    EXPECT_NE(container.find_property<Point>("v:point"), nullptr);
    EXPECT_EQ(container.find_property<bool>("v:point"), nullptr);
    EXPECT_EQ(container.find_property<Point>("v:Point"), nullptr);
    EXPECT_EQ(container.find_property<Point>("v:poin"), nullptr);
    EXPECT_EQ(container.find_property<Point>("v:point "), nullptr);
}

TEST(PropertyContainer, ResizeToZeroKeepsArraysAndRefillsWithDefaults)
{
    Property_container container;
    auto* ints = container.add_property<int>("i", 7);
    auto* flags = container.add_property<bool>("b", true);
    container.resize(40);
    (*ints)[3] = 1;
    (*flags)[3] = false;
    container.resize(0);
    container.free_memory();
    for (int i = 0; i < 3; ++i)
        container.push_back();
    ASSERT_EQ(container.size(), 3u);
    ASSERT_EQ(ints->size(), 3u);
    ASSERT_EQ(flags->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*ints)[i], 7);
        EXPECT_TRUE((*flags)[i]);
    }
}

TEST(PropertyArray, BoolArraysArePackedLeastSignificantBitFirst)
{
    Property_array<bool> flags("f", false);
    flags.resize(33);
    EXPECT_EQ(flags.words().size(), 2u);
    flags[32] = true;
    flags[1] = true;
    EXPECT_EQ(flags.words()[0], 0x2u);
    EXPECT_EQ(flags.words()[1], 0x1u);

    flags.swap(1, 2);
    EXPECT_EQ(flags.words()[0], 0x4u);

    // Shrinking and growing again must not resurrect dropped bits.
    flags.resize(32);
    flags.resize(33);
    EXPECT_FALSE(flags[32]);

    Property_array<bool> set("s", true);
    set.resize(5);
    set.resize(70);
    EXPECT_EQ(set.words().size(), 3u);
    for (std::size_t i = 0; i < 70; ++i)
        ASSERT_TRUE(set[i]) << i;
    EXPECT_EQ(set.words()[2], 0x3Fu);
}

TEST(PropertyArray, CloneCopiesNameDefaultAndElements)
{
    Property_array<Point> points("v:point", Point(9, 9, 9));
    points.resize(2);
    points[0] = Point(1, 2, 3);
    auto copy = points.clone();
    ASSERT_EQ(copy->type(), typeid(Point));
    auto& typed = static_cast<Property_array<Point>&>(*copy);
    EXPECT_EQ(typed.name(), "v:point");
    EXPECT_EQ(typed[0], Point(1, 2, 3));
    typed.push_back();
    EXPECT_EQ(typed[2], Point(9, 9, 9));
    EXPECT_EQ(points.size(), 2u);

    Property_array<bool> flags("f", true);
    flags.resize(3);
    flags[1] = false;
    auto flag_copy = flags.clone();
    auto& typed_flags = static_cast<Property_array<bool>&>(*flag_copy);
    EXPECT_TRUE(typed_flags[0]);
    EXPECT_FALSE(typed_flags[1]);
    typed_flags.push_back();
    EXPECT_TRUE(typed_flags[3]);
}

TEST(PropertyArray, PointsAreStoredAsContiguousDoubles)
{
    Property_array<Point> points("v:point", Point());
    points.resize(3);
    EXPECT_EQ(points[1], Point(0, 0, 0));
    points[1] = Point(4, 5, 6);
    const double* raw = points.vector()[0].data();
    EXPECT_EQ(raw[3], 4.0);
    EXPECT_EQ(raw[5], 6.0);
}
