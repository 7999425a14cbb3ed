// Everything of the Foundation stand-in's C++ face in one include.
#pragma once

#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>
#include <foundation/NSArray.h>
#include <foundation/NSData.h>
#include <foundation/NSDate.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSError.h>
#include <foundation/NSFileManager.h>
#include <foundation/NSIndexPath.h>
#include <foundation/NSNumber.h>
#include <foundation/NSSet.h>
#include <foundation/NSString.h>
#include <foundation/NSURL.h>
#include <foundation/Object.h>
