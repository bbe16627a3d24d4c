#include "app/resources.h"

#include "app/artwork/artwork.h"
#include "platform/commandids.h"
#include "platform/resources.h"

using platform::MenuItem;

const char* const kAboutCaption = "About Tavro";
const char* const kAboutVersionLine = "Brenvik Version 1.5.5.12";
const char* const kAboutDescriptionLine = "A viewer for polygon meshes in PLY files.";
const char* const kAboutCopyrightLine = "Copyright (C) The Brenvik developers";

const std::vector<CommandText>& commandTable()
{
    static const std::vector<CommandText> table = {
        // File menu.
        {ID_FILE_NEW, "&New\tCtrl+N", "Create a new document\nNew"},
        {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document\nOpen"},
        {ID_FILE_RELOAD, "&Reload\tF5", "Load the open file again\nReload"},
        {ID_FILE_EXPORT_PICTURE, "&Export Picture...", "Write the view as a PNG or JPEG picture\nExport Picture"},
        {ID_FILE_PROPERTIES, "Propert&ies...",
         "Show what the model measures: size, area, volume and soundness\nProperties"},
        {ID_FILE_SAVE, "&Save\tCtrl+S", "Save the active document\nSave"},
        {ID_FILE_SAVE_AS, "Save &As...", "Save the active document with a new name\nSave As"},
        {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active document\nPrint"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Display full pages\nPrint Preview"},
        {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options\nPrint Setup"},
        {ID_FILE_MRU_FILE1, "Recent File", ""},
        {ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents\nExit"},
        // View menu.
        {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar"},
        {ID_VIEW_AXES, "Axes", "Show/hide Axes\nAxes"},
        {ID_VIEW_BG_COLOR, "BG Color", "Background Color\nBGColor"},
        {ID_VIEW_MESH, "Mesh", "Show/hide Mesh\nMesh"},
        {ID_VIEW_MESH_COLOR, "Mesh Color", "Change Mesh Color\nMesh Color"},
        {ID_VIEW_INFO, "Info", "Show/hide Information\nInfo"},
        {ID_VIEW_INFO_COLOR, "Info Color", "Change Info Color\nInfoColor"},
        {ID_SHADING_FLAT, "Flat", "Flat shading"},
        {ID_SHADING_SMOOTH, "Smooth", "Smooth shading"},
        {ID_SHADING_WIREFRAME, "Wireframe", "Draw Wireframe"},
        {ID_SHADING_BOTH_FACES, "Both_Faces", ""},
        {ID_VIEW_COLOR, "Color", ""},
        {ID_VIEW_VERTEX_COLORS, "Colors from File",
         "Draw the model in the colours of its vertices and faces\nColors from File"},
        {ID_VIEW_XYZ_ZXY, "XYZ->ZXY", ""},
        {ID_VIEW_STEREO, "3D Stereo", ""},
        {ID_MEASURE, "Measure\tM", "Measure mode: click two points of the surface for their distance\nMeasure"},
        {ID_VIEW_ORTHOGRAPHIC, "Orthographic", "Show the model without perspective\nOrthographic"},
        {ID_VIEW_FAST_DRAWING, "Fast Drawing While Moving",
         "Draw a large model simplified while the camera moves, in full when it stops\nFast Drawing While Moving"},
        {ID_VIEW_NEXT_FILE, "Next File\tPgDown", "Open the next mesh file of this folder\nNext File"},
        {ID_VIEW_PREVIOUS_FILE, "Previous File\tPgUp", "Open the previous mesh file of this folder\nPrevious File"},
        // View > Views.
        {ID_VIEW_FRONT, "Front\tCtrl+1", "Look at the model from the front\nFront"},
        {ID_VIEW_BACK, "Back\tCtrl+2", "Look at the model from the back\nBack"},
        {ID_VIEW_LEFT, "Left\tCtrl+3", "Look at the model from the left\nLeft"},
        {ID_VIEW_RIGHT, "Right\tCtrl+4", "Look at the model from the right\nRight"},
        {ID_VIEW_TOP, "Top\tCtrl+5", "Look down on the model from the top\nTop"},
        {ID_VIEW_BOTTOM, "Bottom\tCtrl+6", "Look up at the model from the bottom\nBottom"},
        {ID_VIEW_OBLIQUE, "Oblique\tCtrl+7", "Look at the model from the start view's direction\nOblique"},
        {ID_VIEW_RELOAD_WHEN_CHANGED, "Reload When Changed",
         "Load the open file again whenever it changes on disk\nReload When Changed"},
        // Tavro menu.
        {ID_TAVRO_PLAY, "PLAY", ""},
        // Help menu.
        {ID_APP_ABOUT, "&About Brenvik", "Display program information, version number and copyright\nAbout"},
        // Toolbar only.
        {ID_ROTATE, "", "Rotation mode\nRotate"},
        {ID_TRANSLATE, "", "Translation mode\nTranslate"},
        {ID_NONE, "", "None mode\nNone"},
        {ID_INIT_AXES, "", "Initialize axes\nInit"},
        {ID_AXES, "", "Show/hide Axes\nAxes"},
        {ID_MESH, "", "Show/hide Mesh\nMesh"},
        {ID_INFO, "", "Show/hide Information\nInfo"},
        {ID_PLAY, "", "Play\nPlay"},
        // Framework commands that are in no menu.
        {ID_FILE_CLOSE, "", "Close the active document\nClose"},
        {ID_FILE_PAGE_SETUP, "", "Change the printing options\nPage Setup"},
        {ID_EDIT_CLEAR, "", "Erase the selection\nErase"},
        {ID_EDIT_CLEAR_ALL, "", "Erase everything\nErase All"},
        {ID_EDIT_COPY, "", "Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_CUT, "", "Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_FIND, "", "Find the specified text\nFind"},
        {ID_EDIT_PASTE, "", "Insert Clipboard contents\nPaste"},
        {ID_EDIT_REPEAT, "", "Repeat the last action\nRepeat"},
        {ID_EDIT_REPLACE, "", "Replace specific text with different text\nReplace"},
        {ID_EDIT_SELECT_ALL, "", "Select the entire document\nSelect All"},
        {ID_EDIT_UNDO, "", "Undo the last action\nUndo"},
        {ID_EDIT_REDO, "", "Redo the previously undone action\nRedo"},
        {ID_WINDOW_SPLIT, "", "Split the active window into panes\nSplit"},
        {ID_NEXT_PANE, "", "Switch to the next window pane\nNext Pane"},
        {ID_PREV_PANE, "", "Switch back to the previous window pane\nPrevious Pane"},
    };
    return table;
}

namespace {

QString captionOf(unsigned id)
{
    for (const CommandText& entry : commandTable()) {
        if (entry.id == id)
            return QString::fromUtf8(entry.caption);
    }
    return QString();
}

MenuItem item(unsigned id)
{
    return MenuItem::command(captionOf(id), id, id == ID_FILE_MRU_FILE1);
}

// View > Views: the standard views.
MenuItem viewsMenu()
{
    return MenuItem::popup(QStringLiteral("Views"),
                           {item(ID_VIEW_FRONT), item(ID_VIEW_BACK), item(ID_VIEW_LEFT), item(ID_VIEW_RIGHT),
                            item(ID_VIEW_TOP), item(ID_VIEW_BOTTOM), MenuItem::separator(), item(ID_VIEW_OBLIQUE)});
}

std::vector<MenuItem> mainMenu()
{
    const MenuItem separator = MenuItem::separator();
    return {
        MenuItem::popup(QStringLiteral("&File"),
                        {item(ID_FILE_NEW), item(ID_FILE_OPEN), item(ID_FILE_RELOAD), item(ID_FILE_SAVE),
                         item(ID_FILE_SAVE_AS), separator, item(ID_FILE_EXPORT_PICTURE), item(ID_FILE_PROPERTIES),
                         separator, item(ID_FILE_PRINT), item(ID_FILE_PRINT_PREVIEW), item(ID_FILE_PRINT_SETUP),
                         separator, item(ID_FILE_MRU_FILE1), separator, item(ID_APP_EXIT)}),
        MenuItem::popup(QStringLiteral("&View"),
                        {item(ID_VIEW_TOOLBAR),
                         item(ID_VIEW_STATUS_BAR),
                         separator,
                         item(ID_VIEW_AXES),
                         item(ID_VIEW_BG_COLOR),
                         item(ID_VIEW_MESH),
                         item(ID_VIEW_MESH_COLOR),
                         item(ID_VIEW_INFO),
                         item(ID_VIEW_INFO_COLOR),
                         separator,
                         viewsMenu(),
                         MenuItem::popup(QStringLiteral("Shading"),
                                         {item(ID_SHADING_FLAT), item(ID_SHADING_SMOOTH), item(ID_SHADING_WIREFRAME),
                                          separator, item(ID_SHADING_BOTH_FACES)}),
                         item(ID_VIEW_COLOR),
                         item(ID_VIEW_VERTEX_COLORS),
                         separator,
                         item(ID_VIEW_XYZ_ZXY),
                         separator,
                         item(ID_MEASURE),
                         separator,
                         item(ID_VIEW_STEREO),
                         item(ID_VIEW_ORTHOGRAPHIC),
                         item(ID_VIEW_FAST_DRAWING),
                         separator,
                         item(ID_VIEW_NEXT_FILE),
                         item(ID_VIEW_PREVIOUS_FILE),
                         item(ID_VIEW_RELOAD_WHEN_CHANGED)}),
        MenuItem::popup(QStringLiteral("Tavro"), {item(ID_TAVRO_PLAY)}),
        MenuItem::popup(QStringLiteral("&Help"), {item(ID_APP_ABOUT)}),
    };
}

std::vector<platform::Accelerator> accelerators()
{
    auto key = [](const char* keys, unsigned id) {
        return platform::Accelerator{QKeySequence(QString::fromLatin1(keys)), id};
    };
    return {
        key("Ctrl+N", ID_FILE_NEW),    key("Ctrl+O", ID_FILE_OPEN),   key("Ctrl+S", ID_FILE_SAVE),
        key("Ctrl+P", ID_FILE_PRINT),  key("Ctrl+Z", ID_EDIT_UNDO),   key("Alt+Backspace", ID_EDIT_UNDO),
        key("Ctrl+X", ID_EDIT_CUT),    key("Shift+Del", ID_EDIT_CUT), key("Ctrl+C", ID_EDIT_COPY),
        key("Ctrl+Ins", ID_EDIT_COPY), key("Ctrl+V", ID_EDIT_PASTE),  key("Shift+Ins", ID_EDIT_PASTE),
        key("F6", ID_NEXT_PANE),       key("Shift+F6", ID_PREV_PANE), key("F5", ID_FILE_RELOAD),
        key("M", ID_MEASURE),
    };
}

// The standard views' keys, numbered as CAD programs number them.
std::vector<platform::Accelerator> viewAccelerators()
{
    const unsigned views[]
        = {ID_VIEW_FRONT, ID_VIEW_BACK, ID_VIEW_LEFT, ID_VIEW_RIGHT, ID_VIEW_TOP, ID_VIEW_BOTTOM, ID_VIEW_OBLIQUE};
    std::vector<platform::Accelerator> keys;
    int number = 1;
    for (unsigned id : views)
        keys.push_back({QKeySequence(QStringLiteral("Ctrl+%1").arg(number++)), id});
    return keys;
}

} // namespace

void registerTavroResources()
{
    platform::ResourceTable& res = platform::resources();

    res.setString(IDR_MAINFRAME, QStringLiteral("Brenvik\n\nBrenvik\n\n\nBrenvik.Document\nBrenvik Document"));
    res.setString(AFX_IDS_APP_TITLE, QStringLiteral("Tavro"));
    res.setString(AFX_IDS_IDLEMESSAGE, QStringLiteral("Ready"));
    for (const CommandText& entry : commandTable()) {
        if (entry.text[0] != '\0')
            res.setString(entry.id, QString::fromUtf8(entry.text));
    }
    res.setString(ID_INDICATOR_EXT, QStringLiteral("EXT"));
    res.setString(ID_INDICATOR_CAPS, QStringLiteral("CAP"));
    res.setString(ID_INDICATOR_NUM, QStringLiteral("NUM"));
    res.setString(ID_INDICATOR_SCRL, QStringLiteral("SCRL"));
    res.setString(ID_INDICATOR_OVR, QStringLiteral("OVR"));
    res.setString(ID_INDICATOR_REC, QStringLiteral("REC"));
    res.setString(ID_INDICATOR_MODEL, QStringLiteral("0 points")); // the model pane's least width
    res.setString(61184, QStringLiteral("Change the window size"));
    res.setString(61185, QStringLiteral("Change the window position"));
    res.setString(61186, QStringLiteral("Reduce the window to an icon"));
    res.setString(61187, QStringLiteral("Enlarge the window to full size"));
    res.setString(61188, QStringLiteral("Switch to the next document window"));
    res.setString(61189, QStringLiteral("Switch to the previous document window"));
    res.setString(61190, QStringLiteral("Close the active window and prompts to save the documents"));
    res.setString(61202, QStringLiteral("Restore the window to normal size"));
    res.setString(61203, QStringLiteral("Activate Task List"));
    res.setString(61445, QStringLiteral("Close print preview mode\nCancel Preview"));
    res.setString(IDC_INPUT_EDIT, QStringLiteral("InputTextDialogEditBox"));
    res.setString(IDC_INPUT_PROMPT, QStringLiteral("InputTextDialogStatic"));

    res.setMenu(IDR_MAINFRAME, mainMenu());
    std::vector<platform::Accelerator> keys = accelerators();
    for (const platform::Accelerator& key : viewAccelerators())
        keys.push_back(key);
    // Through the open file's folder, as an image viewer pages through its pictures.
    keys.push_back({QKeySequence(Qt::Key_PageDown), ID_VIEW_NEXT_FILE});
    keys.push_back({QKeySequence(Qt::Key_PageUp), ID_VIEW_PREVIOUS_FILE});
    res.setAccelerators(IDR_MAINFRAME, keys);

    platform::ToolBarResource toolbar;
    toolbar.buttonSize = QSize(16, 15);
    toolbar.items
        = {ID_FILE_NEW,  ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR, ID_ROTATE, ID_TRANSLATE, ID_NONE, ID_MEASURE,
           ID_INIT_AXES, ID_SEPARATOR, ID_AXES,      ID_MESH,      ID_INFO,   ID_SEPARATOR, ID_PLAY};
    toolbar.images = makeToolBarStrip();
    res.setToolBar(IDR_MAINFRAME, toolbar);

    res.setIcon(IDR_MAINFRAME, makeApplicationIcon());
    res.setIcon(IDI_SECOND_ICON, makeSecondIcon());
}
