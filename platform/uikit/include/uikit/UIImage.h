// Pictures: the UIImage class over immutable pixels with a scale, the functions that
// encode a picture as JPEG or PNG data, and C++ access to the pixels for tests and
// for the rest of the UIKit stand-in.
//
// Pictures are decoded by content (see ImageCodec.h).  A file path is a device path,
// resolved under the device root; "name@2x.ext" (and "@3x" on a 3.0 screen) is
// preferred when the main screen's scale asks for it and gives the picture that
// scale.  A picture's size is in points: its pixels divided by its scale.  The
// stand-in stores pixels upright, so imageOrientation is always Up (0).
//
// Class methods:    imageNamed:  imageNamed:inBundle:  imageWithContentsOfFile:
//                   imageWithData:  imageWithData:scale:  imageWithCGImage:
//                   imageWithCGImage:scale:orientation:
// Instance methods: initWithContentsOfFile:  initWithData:  initWithData:scale:
//                   initWithCGImage:  initWithCGImage:scale:orientation:
//                   _initWithIOSurface:scale:orientation:  size  scale  CGImage
//                   imageOrientation  drawInRect:  drawInRect:blendMode:alpha:
//                   drawAtPoint:  drawAtPoint:blendMode:alpha:  drawAsPatternInRect:
#pragma once

#include <uikit/Bitmap.h>
#include <uikit/UIGraphics.h>

#include <objcface/Types.h>

extern "C" {
// JPEG data of the picture as an autoreleased NSData; quality 0.0…1.0 (1.0 is the
// best).  nil for a nil picture.
id UIImageJPEGRepresentation(id image, CGFloat quality);
// PNG data of the picture as an autoreleased NSData; nil for a nil picture.
id UIImagePNGRepresentation(id image);
}

namespace uikit {

// The UIImage class (registered when the library loads).
Class UIImageClass();

// A new autoreleased UIImage over the pixels; a scale that is not positive is 1.0.
id makeImage(SharedBitmap bitmap, CGFloat scale);

// The pixels of a UIImage; nullptr for nil or for an object that is not a UIImage.
SharedBitmap bitmapOf(id image);

// One pixel of a UIImage (pixel coordinates, from the top left) as straight RGBA;
// (0, 0, 0, 0) for nil or outside the picture.
Rgba pixelAt(id image, int x, int y);

// Forgets the pictures imageNamed: keeps, as a memory warning does on the device.
void purgeNamedImageCache();

// Screen snapshots travel as surfaces (IOSurfaceRef): retain-counted objects holding
// pixels, released with CFRelease.  makeSurface answers one owned by the caller;
// surfaceBitmap reads the pixels of one (nullptr for anything else).
id makeSurface(SharedBitmap bitmap);
SharedBitmap surfaceBitmap(id surface);

}  // namespace uikit
