// The controls with the program's own artwork, reached by id through the
// resource lookup as the main window does it.
#include <gtest/gtest.h>

#include <QLabel>

#include "resources/Resources.h"
#include "resources/StringIds.h"
#include "skin/BusyDialog.h"
#include "skin/CSkinButton.h"

namespace {

TEST(SkinArtwork, EveryTabledButtonTakesItsBitmaps) {
  struct Row { int hover, normal; QSize size; };
  const Row rows[] = {{110, 109, {28, 28}}, {114, 113, {28, 28}}, {112, 111, {28, 28}},
                      {133, 135, {36, 36}}, {134, 0, {36, 36}},   {130, 132, {36, 36}},
                      {140, 139, {36, 36}}, {138, 136, {36, 36}}, {142, 141, {36, 36}},
                      {161, 162, {57, 22}}, {159, 163, {57, 22}}, {143, 164, {70, 17}},
                      {145, 144, {44, 17}}, {149, 148, {47, 17}}, {151, 150, {47, 17}},
                      {147, 146, {48, 17}}, {152, 154, {34, 34}}, {153, 155, {34, 34}}};
  for (const Row& row : rows) {
    CSkinButton button;
    button.resize(row.size);
    EXPECT_EQ(0, button.SetBitmaps(row.hover, 0xFF00FF, row.normal, 0xFF00FF)) << row.hover;
    EXPECT_EQ(row.size, resources::BitmapImage(row.hover).size()) << row.hover;
  }
}

TEST(SkinArtwork, BusyDialogBuildsFromItsResources) {
  BusyDialog dialog;
  ASSERT_TRUE(dialog.Initialize());
  EXPECT_EQ(QSize(166, 44), dialog.Control(BusyDialog::IDC_LOADING)->size());
  for (int id = BusyDialog::IDC_STRIP_FIRST; id < BusyDialog::IDC_STRIP_FIRST + 8; ++id)
    EXPECT_EQ(QSize(366, 10), dialog.Control(id)->size()) << id;
}

}  // namespace
