// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the options dialog needs of the control panel's ticket preview: the
// company-name list a plugin fills, and the size of the preview picture.

class QComboBox;

class SeiriPrevHost {
public:
    virtual ~SeiriPrevHost() = default;
    virtual QComboBox* CompanyList() const = 0;
    // The preview picture's size in twips.
    virtual void SetPreviewSize(int widthTwips, int heightTwips) = 0;
};
