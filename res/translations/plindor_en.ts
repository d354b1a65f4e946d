<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAccessibleTexts</name>
    <message>
        <source>待改名文件队列</source>
        <translation>Files to rename</translation>
    </message>
    <message>
        <source>把文件或文件夹拖到这里排队；第一项载入下方编辑框。Delete 键从队列移除所选项，不删除文件</source>
        <translation>Drag files or folders here to queue them; the first one is loaded into the boxes below. The Delete key takes the selected entry off the queue and leaves the file alone</translation>
    </message>
    <message>
        <source>前缀</source>
        <translation>Prefix</translation>
    </message>
    <message>
        <source>加在新文件名前面的文字</source>
        <translation>Text put in front of the new name</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>新文件名的主体，不含扩展名</source>
        <translation>The main part of the new name, without the extension</translation>
    </message>
    <message>
        <source>后缀</source>
        <translation>Suffix</translation>
    </message>
    <message>
        <source>加在新文件名后面、扩展名前面的文字</source>
        <translation>Text put after the new name, before the extension</translation>
    </message>
    <message>
        <source>学期列表一</source>
        <translation>Term list 1</translation>
    </message>
    <message>
        <source>选中的学期立即作为前缀</source>
        <translation>The chosen term becomes the prefix at once</translation>
    </message>
    <message>
        <source>学期列表二</source>
        <translation>Term list 2</translation>
    </message>
    <message>
        <source>日期列表</source>
        <translation>Dates</translation>
    </message>
    <message>
        <source>选中的日期立即作为前缀</source>
        <translation>The chosen date becomes the prefix at once</translation>
    </message>
    <message>
        <source>编号后缀列表</source>
        <translation>Number suffixes</translation>
    </message>
    <message>
        <source>选中的编号立即作为后缀</source>
        <translation>The chosen number becomes the suffix at once</translation>
    </message>
    <message>
        <source>目标文件夹</source>
        <translation>Target folder</translation>
    </message>
    <message>
        <source>“移动文件”把文件移入这里显示的文件夹</source>
        <translation>“Move file” moves the file into the folder shown here</translation>
    </message>
    <message>
        <source>把学期列表一中的学期作为前缀</source>
        <translation>Use the term chosen in term list 1 as the prefix</translation>
    </message>
    <message>
        <source>把学期列表二中的学期作为前缀</source>
        <translation>Use the term chosen in term list 2 as the prefix</translation>
    </message>
    <message>
        <source>把日期列表中的日期作为前缀</source>
        <translation>Use the date chosen in the date list as the prefix</translation>
    </message>
    <message>
        <source>把编号后缀列表中的编号作为后缀</source>
        <translation>Use the number chosen in the suffix list as the suffix</translation>
    </message>
    <message>
        <source>把按钮上的文字加到文件名前面；拖入文件夹可改变这段文字</source>
        <translation>Put the button&apos;s text in front of the name; drop a folder on the button to change the text</translation>
    </message>
    <message>
        <source>清空前缀和后缀，恢复原文件名</source>
        <translation>Clear the prefix and suffix and bring back the original name</translation>
    </message>
    <message>
        <source>改名并移入此按钮链接的文件夹；拖入文件夹可设置链接</source>
        <translation>Rename and move into the folder linked to this button; drop a folder on the button to link it</translation>
    </message>
    <message>
        <source>在原文件夹中按新名字重命名，不覆盖已有文件</source>
        <translation>Give the file its new name in the folder it is in, never overwriting another file</translation>
    </message>
    <message>
        <source>改名并移入目标文件夹，不覆盖已有文件</source>
        <translation>Rename and move into the target folder, never overwriting another file</translation>
    </message>
    <message>
        <source>选择一个文件夹加入目标文件夹列表</source>
        <translation>Choose a folder to add to the target folder list</translation>
    </message>
    <message>
        <source>从目标文件夹列表中删除所选文件夹</source>
        <translation>Take the selected folder off the target folder list</translation>
    </message>
    <message>
        <source>拖入文件 · 改好名字 · 归入文件夹</source>
        <translation>Drop in · Rename · File away</translation>
    </message>
    <message>
        <source>保存设置并退出</source>
        <translation>Save the settings and quit</translation>
    </message>
</context>
<context>
    <name>CDialogTemplate</name>
    <message>
        <source>添加上期</source>
        <translation>Add term 1</translation>
    </message>
    <message>
        <source>添加日期</source>
        <translation>Add date</translation>
    </message>
    <message>
        <source>添加下期</source>
        <translation>Add term 2</translation>
    </message>
    <message>
        <source>添加后缀</source>
        <translation>Add suffix</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>文件名:</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>基本前后缀</source>
        <translation>Prefix and suffix</translation>
    </message>
    <message>
        <source>插入常用文本</source>
        <translation>Insert common text</translation>
    </message>
    <message>
        <source>清除添加内容</source>
        <translation>Clear additions</translation>
    </message>
    <message>
        <source>拖入目标文件夹1</source>
        <translation>Drop folder 1 here</translation>
    </message>
    <message>
        <source>拖入目标文件夹2</source>
        <translation>Drop folder 2 here</translation>
    </message>
    <message>
        <source>拖入目标文件夹3</source>
        <translation>Drop folder 3 here</translation>
    </message>
    <message>
        <source>拖入目标文件夹4</source>
        <translation>Drop folder 4 here</translation>
    </message>
    <message>
        <source>拖入目标文件夹5</source>
        <translation>Drop folder 5 here</translation>
    </message>
    <message>
        <source>移动文件</source>
        <translation>Move file</translation>
    </message>
    <message>
        <source>添加目录</source>
        <translation>Add folder</translation>
    </message>
    <message>
        <source>快速移动到指定目录</source>
        <translation>Quick move to a folder</translation>
    </message>
    <message>
        <source>删除目录</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>查看指定目录</source>
        <translation>Show folder</translation>
    </message>
</context>
<context>
    <name>CHistoryWindow</name>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>快速移动</source>
        <translation>Quick move</translation>
    </message>
    <message>
        <source>未完成</source>
        <translation>Unfinished</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>已完成（启动时补记）</source>
        <translation>Done (completed at start-up)</translation>
    </message>
    <message>
        <source>已撤销</source>
        <translation>Undone</translation>
    </message>
    <message>
        <source>未成功</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>在文件管理器中显示</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>操作记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>操作记录列表</source>
        <translation>List of past operations</translation>
    </message>
    <message>
        <source>最近的重命名和移动，最新的在最上面</source>
        <translation>Recent renames and moves, newest first</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>原位置 → 新位置</source>
        <translation>From → To</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>撤销所选操作</source>
        <translation>Undo the selected operation</translation>
    </message>
    <message>
        <source>在文件管理器中显示所选文件</source>
        <translation>Show the selected file in the file manager</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>重做所选操作</source>
        <translation>Redo the selected operation</translation>
    </message>
</context>
<context>
    <name>CJournal</name>
    <message>
        <source>操作记录尚未打开。</source>
        <translation>The history has not been opened.</translation>
    </message>
    <message>
        <source>未安装 Qt 的 SQLite 驱动。</source>
        <translation>Qt&apos;s SQLite driver is not installed.</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1。</source>
        <translation>The folder %1 cannot be created.</translation>
    </message>
    <message>
        <source>操作记录 %1 无法使用：%2</source>
        <translation>The history file %1 cannot be used: %2</translation>
    </message>
    <message>
        <source>操作记录已关闭。</source>
        <translation>The history has been closed.</translation>
    </message>
    <message>
        <source>操作记录无法再写入：%1</source>
        <translation>The history cannot record any more: %1</translation>
    </message>
    <message>
        <source>无法在 %1 中创建本程序的锁文件。</source>
        <translation>This program cannot create its lock file in %1.</translation>
    </message>
    <message>
        <source>%1 是一个链接，操作记录不会写到它指向的地方。</source>
        <translation>%1 is a link; the history is not written where it points.</translation>
    </message>
    <message>
        <source>文件夹 %1 在 %2 秒内没有响应。</source>
        <translation>The folder %1 did not answer within %2 seconds.</translation>
    </message>
</context>
<context>
    <name>CMoveProgress</name>
    <message>
        <source>正在复制…</source>
        <translation>Copying…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>移动文件</source>
        <translation>Move file</translation>
    </message>
</context>
<context>
    <name>CMyListBox</name>
    <message>
        <source>从队列中移除（不删除文件）</source>
        <translation>Remove from queue (the file stays)</translation>
    </message>
    <message>
        <source>正在整理 %1 个项目，已用 %2 秒…</source>
        <translation>Sorting %1 items, %2 s so far…</translation>
    </message>
    <message>
        <source>操作记录…</source>
        <translation>History…</translation>
    </message>
</context>
<context>
    <name>CNameComposer</name>
    <message>
        <source>拖入文件夹</source>
        <translation>Drop a folder here</translation>
    </message>
    <message>
        <source>（添加前缀）</source>
        <translation>(prefix)</translation>
    </message>
    <message>
        <source>（请在此处修改文件名）</source>
        <translation>(edit the file name here)</translation>
    </message>
    <message>
        <source>（后缀）</source>
        <translation>(suffix)</translation>
    </message>
</context>
<context>
    <name>CPageWindow</name>
    <message>
        <source>正在读取…</source>
        <translation>Reading…</translation>
    </message>
</context>
<context>
    <name>CPlindorDlg</name>
    <message>
        <source>…等共 %1 个路径</source>
        <translation>… %1 paths in all</translation>
    </message>
    <message>
        <source>（请把要改名字的文件拖到此处!）</source>
        <translation>(Drag the files you want to rename here!)</translation>
    </message>
    <message>
        <source>设置未能保存，下次启动时将沿用上次保存的设置。</source>
        <translation>The settings could not be saved. The next start will use the settings saved last time.</translation>
    </message>
    <message>
        <source>错误提示</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>请选择处理结果存储路径</source>
        <translation>Choose the folder to put the files in</translation>
    </message>
    <message>
        <source>以下路径不存在，未加入队列：
%1</source>
        <translation>These paths do not exist and were not queued:
%1</translation>
    </message>
    <message>
        <source>路径过长，未加入队列：
%1</source>
        <translation>These paths are too long and were not queued:
%1</translation>
    </message>
    <message>
        <source>文件名编码无法识别，未加入队列：
%1</source>
        <translation>The encoding of these file names is not recognised; they were not queued:
%1</translation>
    </message>
    <message>
        <source>要修改改本链接只需要拖入新的文件夹或文件^V^</source>
        <translation>To change the link, just drop another folder or file on the button.</translation>
    </message>
    <message>
        <source>此按钮链接的目标文件夹:</source>
        <translation>This button&apos;s target folder:</translation>
    </message>
    <message>
        <source>另一个程序占用了原文件名，文件未能改回原名，现在位于：
%1</source>
        <translation>Another program took the original name, so the file could not get it back. It is now here:
%1</translation>
    </message>
    <message>
        <source>重命名失败</source>
        <translation>Renaming failed.</translation>
    </message>
    <message>
        <source>请先选择文件夹</source>
        <translation>Choose a folder first.</translation>
    </message>
    <message>
        <source>请检查:
1.看最上面编辑框是不是已经完成重命名和移动
2.检查文件是否关闭!
3.目标文件夹中是否存在&apos;重名&apos;!</source>
        <translation>Please check:
1. Whether the file in the top box has already been renamed and moved
2. That the file is closed!
3. Whether the target folder already holds a file of that name!</translation>
    </message>
    <message>
        <source>你未设置此快速移动按钮!</source>
        <translation>This quick-move button has no folder yet!</translation>
    </message>
    <message>
        <source>重命名完成</source>
        <translation>Renamed and moved.</translation>
    </message>
    <message>
        <source>请检查:
1.文件是否关闭!
2.目标文件夹中是否重名!
3.请确认要重命名文件存在!
4.请确认当前快捷目录存在!</source>
        <translation>Please check:
1. That the file is closed!
2. Whether the target folder already holds a file of that name!
3. That the file to rename still exists!
4. That this button&apos;s folder still exists!</translation>
    </message>
    <message>
        <source>重命名或移动失败</source>
        <translation>Renaming or moving failed</translation>
    </message>
    <message>
        <source>:/banner.png</source>
        <extracomment>The banner drawn in the interface&apos;s language (scripts/make-icons.sh draws them)</extracomment>
        <translation>:/banner_en.png</translation>
    </message>
    <message>
        <source>操作记录已损坏，已另存为：
%1
并已新建操作记录。</source>
        <translation>The history was damaged. It was kept as:
%1
and a new history was started.</translation>
    </message>
    <message>
        <source>操作记录无法使用，本次运行中的操作将不能撤销。
%1</source>
        <translation>The history cannot be used, so operations in this session cannot be undone.
%1</translation>
    </message>
    <message>
        <source>%1
    现在位于：%2</source>
        <translation>%1
    is now at: %2</translation>
    </message>
    <message>
        <source>%1
    另有一份完整的副本在：%2</source>
        <translation>%1
    a complete copy is also at: %2</translation>
    </message>
    <message>
        <source>%1
    已找不到（原本要移到：%2）</source>
        <translation>%1
    cannot be found (it was being moved to: %2)</translation>
    </message>
    <message>
        <source>上次运行时有操作未能完成，以下文件不在预期的位置：
%1</source>
        <translation>An operation did not finish last time. These files are not where you would expect them:
%1</translation>
    </message>
    <message>
        <source>操作记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>操作记录无法使用，不能撤销或重做。</source>
        <translation>The history cannot be used, so nothing can be undone or redone.</translation>
    </message>
    <message>
        <source>没有可以撤销的操作。</source>
        <translation>There is nothing to undo.</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>文件已不在操作后的位置，无法撤销：
%1</source>
        <translation>Cannot undo: the file is no longer where the operation left it:
%1</translation>
    </message>
    <message>
        <source>文件在操作之后被修改或替换过，无法撤销：
%1</source>
        <translation>Cannot undo: the file was changed or replaced after the operation:
%1</translation>
    </message>
    <message>
        <source>原位置已有同名的文件或文件夹，无法撤销：
%1</source>
        <translation>Cannot undo: a file or folder of the old name is already there:
%1</translation>
    </message>
    <message>
        <source>原文件夹已不存在，无法撤销：
%1</source>
        <translation>Cannot undo: the old folder no longer exists:
%1</translation>
    </message>
    <message>
        <source>文件已不在撤销后的位置，无法重做：
%1</source>
        <translation>Cannot redo: the file is no longer where the undo left it:
%1</translation>
    </message>
    <message>
        <source>文件在撤销之后被修改或替换过，无法重做：
%1</source>
        <translation>Cannot redo: the file was changed or replaced after the undo:
%1</translation>
    </message>
    <message>
        <source>目标位置已有同名的文件或文件夹，无法重做：
%1</source>
        <translation>Cannot redo: a file or folder of that name is already there:
%1</translation>
    </message>
    <message>
        <source>目标文件夹已不存在，无法重做：
%1</source>
        <translation>Cannot redo: the target folder no longer exists:
%1</translation>
    </message>
    <message>
        <source>无法撤销</source>
        <translation>Cannot Undo</translation>
    </message>
    <message>
        <source>撤销失败，文件仍在：
%1</source>
        <translation>Undo failed. The file is still at:
%1</translation>
    </message>
    <message>
        <source>没有可以重做的操作。</source>
        <translation>There is nothing to redo.</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>无法重做</source>
        <translation>Cannot Redo</translation>
    </message>
    <message>
        <source>重做失败，文件仍在：
%1</source>
        <translation>Redo failed. The file is still at:
%1</translation>
    </message>
    <message>
        <source>文件名过长</source>
        <translation>The file name is too long</translation>
    </message>
    <message>
        <source>没有权限（文件可能正被使用，或文件夹不可写入）</source>
        <translation>Permission denied (the file may be in use, or the folder is not writable)</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>Not enough space on the disk</translation>
    </message>
    <message>
        <source>复制期间原文件被修改，原文件未动</source>
        <translation>The original changed during the copy; it was left as it was</translation>
    </message>
    <message>
        <source>已取消，原文件未动</source>
        <translation>Cancelled; the original was left as it was</translation>
    </message>
    <message>
        <source>读写磁盘时出错</source>
        <translation>The disk could not be read or written</translation>
    </message>
    <message>
        <source>目标磁盘不能保存这个文件名</source>
        <translation>The target disk cannot store this file name</translation>
    </message>
    <message>
        <source>完整路径过长</source>
        <translation>The full path is too long</translation>
    </message>
    <message>
        <source>文件过大，目标磁盘存不下</source>
        <translation>The file is too large for the target disk</translation>
    </message>
    <message>
        <source>%1
    仍在原处；目标位置另有一个文件，未能确认它是副本：%2</source>
        <translation>%1
    is still where it was; another file is at the destination, not confirmed to be a copy: %2</translation>
    </message>
    <message>
        <source>已完整复制到目标位置，但原文件无法删除：两处都有这个文件</source>
        <translation>Copied in full to the destination, but the original could not be removed: the file is in both places</translation>
    </message>
    <message>
        <source>操作记录无法写入：这次操作要分几步完成，中途出错时无从收拾，所以没有执行。
%1</source>
        <translation>The history cannot record this operation. It takes several steps, and without a record a failure halfway could not be cleaned up, so it was not carried out.
%1</translation>
    </message>
    <message>
        <source>这个文件与上次运行时未完成的操作有关，正在收拾，请稍后再试。</source>
        <translation>This file belongs to an operation the last run did not finish, which is being tidied up. Please try again shortly.</translation>
    </message>
    <message>
        <source>上次运行时未完成的操作仍在收拾中。收拾完之前，以下文件不能重命名、移动或撤销；如果它们所在的磁盘没有响应，下次启动时会再收拾：
%1</source>
        <translation>Operations the last run did not finish are still being tidied up. Until then, these files cannot be renamed, moved or undone; if their disk does not answer, the next start tidies them up again:
%1</translation>
    </message>
</context>
<context>
    <name>CPreviewPane</name>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>正在读取…</source>
        <translation>Reading…</translation>
    </message>
    <message>
        <source>放大显示第一页</source>
        <translation>Show page 1 large</translation>
    </message>
</context>
<context>
    <name>CPreviewSource</name>
    <message>
        <source>文件不存在</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <source>不是普通文件（管道、设备或套接字），不读取</source>
        <translation>Not a regular file (a pipe, a device or a socket): not read</translation>
    </message>
    <message>
        <source>文件无法打开</source>
        <translation>The file cannot be opened</translation>
    </message>
    <message>
        <source>PDF 文件已损坏，无法显示</source>
        <translation>The PDF is damaged and cannot be shown</translation>
    </message>
    <message>
        <source>PDF 文件有密码保护，不显示内容</source>
        <translation>The PDF is protected by a password; its content is not shown</translation>
    </message>
    <message>
        <source>此版本不能显示 PDF 页面</source>
        <translation>This build cannot show PDF pages</translation>
    </message>
    <message>
        <source>图片过大，不显示</source>
        <translation>The image is too large to show</translation>
    </message>
    <message>
        <source>图片已损坏，无法显示</source>
        <translation>The image is damaged and cannot be shown</translation>
    </message>
    <message>
        <source>磁盘没有及时响应</source>
        <translation>The disk did not answer in time</translation>
    </message>
    <message>
        <source>读取时间过长</source>
        <translation>Reading takes too long</translation>
    </message>
    <message>
        <source>所在文件夹没有响应</source>
        <translation>Its folder does not answer</translation>
    </message>
    <message>
        <source>超过 %1 项</source>
        <translation>more than %1 entries</translation>
    </message>
    <message numerus="yes">
        <source>%n 项</source>
        <translation>
            <numerusform>%n entry</numerusform>
            <numerusform>%n entries</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 页</source>
        <translation>
            <numerusform>%n page</numerusform>
            <numerusform>%n pages</numerusform>
        </translation>
    </message>
    <message>
        <source>显示它需要的内存过多</source>
        <translation>Showing it needs too much memory</translation>
    </message>
    <message>
        <source>预览程序意外退出</source>
        <translation>The preview program ended unexpectedly</translation>
    </message>
    <message>
        <source>找不到预览程序</source>
        <translation>The preview program is missing</translation>
    </message>
</context>
<context>
    <name>CWarningTexts</name>
    <message>
        <source>控制字符 U+%1</source>
        <translation>the control character U+%1</translation>
    </message>
    <message>
        <source>文件名不能含有空字符</source>
        <translation>A file name cannot contain a NUL character</translation>
    </message>
    <message>
        <source>文件名不能含有“/”</source>
        <translation>A file name cannot contain “/”</translation>
    </message>
    <message>
        <source>文件名不能是“%1”</source>
        <translation>A file cannot be named “%1”</translation>
    </message>
    <message>
        <source>未填写文件名</source>
        <translation>The name is missing</translation>
    </message>
    <message>
        <source>完整路径过长：%1 字节，最多 %2 字节</source>
        <translation>The full path is too long: %1 bytes, at most %2</translation>
    </message>
    <message>
        <source>文件名过长：%1 字节，此磁盘最多 %2 字节</source>
        <translation>The name is too long for this disk: %1 bytes, at most %2</translation>
    </message>
    <message>
        <source>完整路径过长：%1 个字符，最多 %2 个字符</source>
        <translation>The full path is too long: %1 characters, at most %2</translation>
    </message>
    <message>
        <source>文件名过长：%1 个字符，此磁盘最多 %2 个字符</source>
        <translation>The name is too long for this disk: %1 characters, at most %2</translation>
    </message>
    <message>
        <source>此磁盘的文件名不能含有%1</source>
        <translation>Names on this disk cannot contain %1</translation>
    </message>
    <message>
        <source>此磁盘的文件名不能以“.”结尾</source>
        <translation>Names on this disk cannot end with “.”</translation>
    </message>
    <message>
        <source>此磁盘的文件名不能以空格结尾</source>
        <translation>Names on this disk cannot end with a space</translation>
    </message>
    <message>
        <source>“%1”是此磁盘保留的设备名，不能用作文件名</source>
        <translation>“%1” is a device name on this disk and cannot name a file</translation>
    </message>
    <message>
        <source>新文件名与原文件名相同</source>
        <translation>The new name is the same as the old one</translation>
    </message>
    <message>
        <source>目标文件夹中已有“%1”</source>
        <translation>“%1” already exists in the target folder</translation>
    </message>
    <message>
        <source>请先选择目标文件夹</source>
        <translation>Choose a target folder first</translation>
    </message>
    <message>
        <source>此按钮尚未链接文件夹，请拖入目标文件夹</source>
        <translation>This button has no folder yet: drop a folder on it</translation>
    </message>
    <message>
        <source>目标文件夹不是完整路径：%1</source>
        <translation>The target folder is not a full path: %1</translation>
    </message>
    <message>
        <source>原文件已不存在</source>
        <translation>The file no longer exists</translation>
    </message>
    <message>
        <source>目标文件夹不存在：%1</source>
        <translation>The target folder does not exist: %1</translation>
    </message>
    <message>
        <source>目标不是文件夹：%1</source>
        <translation>The target is not a folder: %1</translation>
    </message>
    <message>
        <source>目标文件夹不可写入：%1</source>
        <translation>The target folder cannot be written to: %1</translation>
    </message>
    <message>
        <source>目标文件夹所在磁盘只读：%1</source>
        <translation>The target folder is on a read-only disk: %1</translation>
    </message>
    <message>
        <source>不能把文件夹移入它自己</source>
        <translation>A folder cannot be moved into itself</translation>
    </message>
    <message>
        <source>文件夹不能移到另一个磁盘</source>
        <translation>A folder cannot be moved to another disk</translation>
    </message>
    <message>
        <source>原文件所在文件夹不可写入，无法移走原文件</source>
        <translation>The file&apos;s folder cannot be written to, so the file cannot be moved out of it</translation>
    </message>
    <message>
        <source>文件过大：%1，此磁盘单个文件最大 %2</source>
        <translation>The file is too large for this disk: %1, at most %2 per file</translation>
    </message>
    <message>
        <source>磁盘空间不足：需要 %1，剩余 %2</source>
        <translation>Not enough space on the disk: %1 needed, %2 free</translation>
    </message>
    <message>
        <source>名称已存在，将使用“%1”</source>
        <translation>The name is taken; “%1” will be used</translation>
    </message>
</context>
<context>
    <name>CWorkflowActions</name>
    <message>
        <source>保留前缀和后缀</source>
        <translation>Keep prefix and suffix</translation>
    </message>
    <message>
        <source>名称已存在时自动编号</source>
        <translation>Number the name when it is taken</translation>
    </message>
    <message>
        <source>快捷移动后不再提示</source>
        <translation>No message after a quick move</translation>
    </message>
    <message>
        <source>下次启动时恢复队列</source>
        <translation>Restore the queue at the next start</translation>
    </message>
    <message>
        <source>清空队列</source>
        <translation>Clear the queue</translation>
    </message>
    <message>
        <source>快捷键：%1</source>
        <translation>Shortcut: %1</translation>
    </message>
    <message>
        <source>%1；%2</source>
        <translation>%1; %2</translation>
    </message>
</context>
</TS>
