// UITableViewCell: a row of a table.
//
// A cell has a contentView (made with the cell, filling it), an optional
// backgroundView and selectedBackgroundView behind it, and labels and an image view
// made on first use (textLabel, detailTextLabel for the Value1, Value2 and Subtitle
// styles, imageView), all inside the content view.
//
// Answers initWithStyle:reuseIdentifier:, initWithFrame:reuseIdentifier:,
// initWithFrame:, reuseIdentifier, contentView, backgroundView,
// setBackgroundView:, selectedBackgroundView, setSelectedBackgroundView:, textLabel,
// detailTextLabel, imageView, accessoryType, accessoryView, selectionStyle,
// isSelected/selected, setSelected:, setSelected:animated:, isHighlighted/highlighted,
// setHighlighted:, setHighlighted:animated:, isEditing, setEditing:(animated:),
// prepareForReuse (clears selection and highlight), canBecomeFirstResponder (NO, from
// UIResponder), canPerformAction:withSender: (the table delegate's
// tableView:canPerformAction:forRowAtIndexPath:withSender: when it answers it and the
// cell is on screen, else UIResponder's rule), and _tableView: the table the cell was
// last handed to (also the ivar `_tableView`, not retained).
#pragma once

#include <uikit/UIView.h>

struct UITableViewCellIvars : UIViewIvars {
  id _reuseIdentifier;         // retained
  id _contentView;             // retained
  id _backgroundView;          // retained
  id _selectedBackgroundView;  // retained
  id _textLabel;               // retained, made on first use
  id _detailTextLabel;         // retained, made on first use
  id _imageView;               // retained, made on first use
  id _accessoryView;           // retained
  id _tableView;               // not retained: the table showing the cell
  NSInteger _style;
  NSInteger _selectionStyle;
  NSInteger _accessoryType;
  BOOL _selected;
  BOOL _highlighted;
  BOOL _editing;
};

namespace uikit {

Class UITableViewCellClass();

// The cell's text label if it has been made (no message send, nothing made).
id cellTextLabelIfMade(id cell);

}  // namespace uikit
