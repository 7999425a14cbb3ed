// The image category UIImage(Addtion): redraws a picture into a box of a given size,
// stretched (ntScaleToSize:), fitted and centred (ntScaleToCenter:) or fitted over a
// backdrop picture (ntDrawInImage:size:).  Each method answers a new autoreleased
// picture.  Both tweak libraries add the category to UIImage when they start.
#pragma once

#include <objcface/Types.h>

namespace noctil {

// Adds the three methods to UIImage, replacing any of the same name, as a category
// does.  Nothing happens when UIImage does not exist.
void installImageCategory();

// The drawn size of a picture of `imageSize` fitted into `box`: the picture's width
// and height truncated to integers, shrunk by the smaller of the two ratios in single
// precision when it is larger than the box, never enlarged.
CGSize fittedSize(CGSize imageSize, CGSize box);

}  // namespace noctil
