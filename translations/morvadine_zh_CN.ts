<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CheckMode</name>
    <message>
        <source>%1: error: %2</source>
        <translation>%1：出错：%2</translation>
    </message>
    <message>
        <source>cannot write the picture %1: %2</source>
        <translation>无法写入图片 %1：%2</translation>
    </message>
    <message>
        <source>ok</source>
        <extracomment>The verdict words are what scripts look for in the report.</extracomment>
        <translation>正确</translation>
    </message>
    <message>
        <source>wrong</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>; tower: %1</source>
        <translation>；瞭望塔：%1</translation>
    </message>
    <message>
        <source>; island: %1</source>
        <translation>；浮空岛：%1</translation>
    </message>
    <message>
        <source>1 file</source>
        <translation>1 个文件</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 个文件</translation>
    </message>
    <message>
        <source>1 error</source>
        <translation>1 个出错</translation>
    </message>
    <message>
        <source>%1 errors</source>
        <translation>%1 个出错</translation>
    </message>
    <message>
        <source>%1: %2 ok, %3 wrong, %4</source>
        <translation>%1：%2 个正确，%3 个错误，%4</translation>
    </message>
    <message>
        <source>stopped before %1 was judged</source>
        <translation>在评判 %1 之前已停止</translation>
    </message>
    <message>
        <source>waiting for %1, which another run of the viewer is using (%2)</source>
        <translation>正在等待 %1：查看器的另一次运行正在使用它（%2）</translation>
    </message>
    <message>
        <source>%1, tower %2, island %3, height %4 (best %5), solver %6 ms</source>
        <translation>%1，瞭望塔 %2，浮空岛 %3，高度 %4（最优 %5），求解器 %6 毫秒</translation>
    </message>
    <message>
        <source>%1: error: runtime error: %2; its answer was %3</source>
        <translation>%1：出错：运行时错误：%2；它的答案：%3</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>--tolerance: %1 is not a number of 0 or more</source>
        <translation>--tolerance：%1 不是大于或等于 0 的数</translation>
    </message>
    <message>
        <source>--size: %1 is not WIDTHxHEIGHT in pixels, each from 1 to %2</source>
        <translation>--size：%1 不是以像素为单位的“宽x高”（WIDTHxHEIGHT），宽和高都应在 1 到 %2 之间</translation>
    </message>
    <message>
        <source>--lines: %1 is not tower, island or both</source>
        <translation>--lines：%1 不是 tower、island 或 both</translation>
    </message>
    <message>
        <source>--picture: %1 must hold %2 to draw several files</source>
        <translation>--picture：要绘制多个文件，%1 中必须含有 %2</translation>
    </message>
    <message>
        <source>--picture: the picture of %1 would replace the input %2</source>
        <translation>--picture：%1 的图片会覆盖输入文件 %2</translation>
    </message>
    <message>
        <source>--picture: %1 and %2 would both be drawn to %3</source>
        <translation>--picture：%1 和 %2 都会被绘制到 %3</translation>
    </message>
    <message>
        <source>Show this help.</source>
        <translation>显示此帮助。</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>显示版本号。</translation>
    </message>
    <message>
        <source>Run no window: solve and judge each FILE, print a line for each and a summary.</source>
        <translation>不打开窗口：求解并评判每个 FILE，每个文件输出一行，最后输出汇总。</translation>
    </message>
    <message>
        <source>Use PROGRAM as the solver instead of the calc.exe beside the viewer; it is staged and run as calc.exe all the same.</source>
        <translation>用 PROGRAM 代替查看器旁边的 calc.exe 作为求解器；它同样会以 calc.exe 的名字放进工作目录并运行。</translation>
    </message>
    <message>
        <source>With --check: draw each FILE with its tower and island to the image file PATTERN (its extension gives the format, .png for one). {name} in PATTERN stands for FILE&apos;s name without its folder and extension; several FILEs need it.</source>
        <translation>与 --check 一起使用：把每个 FILE 连同瞭望塔和浮空岛画到图片文件 PATTERN 中（格式由扩展名决定，例如 .png）。PATTERN 中的 {name} 代表 FILE 去掉文件夹和扩展名后的名字；有多个 FILE 时必须使用它。</translation>
    </message>
    <message>
        <source>With --picture: its size in pixels (default: the window&apos;s drawing surface as laid out, %1x%2).</source>
        <translation>与 --picture 一起使用：图片的像素尺寸（默认与窗口布局中的绘图区相同，%1x%2）。</translation>
    </message>
    <message>
        <source>With --picture: about how many vertices to draw (default %1, as in the window).</source>
        <translation>与 --picture 一起使用：大约绘制多少个顶点（默认 %1，与窗口相同）。</translation>
    </message>
    <message>
        <source>With --picture: draw the sight lines from the tower, the island or both.</source>
        <translation>与 --picture 一起使用：绘制从瞭望塔、浮空岛或两者出发的视线。</translation>
    </message>
    <message>
        <source>--%1 works only with --picture</source>
        <translation>--%1 只能与 --picture 一起使用</translation>
    </message>
    <message>
        <source>--check needs at least one FILE</source>
        <translation>--check 至少需要一个 FILE</translation>
    </message>
    <message>
        <source>--picture works only with --check</source>
        <translation>--picture 只能与 --check 一起使用</translation>
    </message>
    <message>
        <source>the window opens one FILE; --check judges several</source>
        <translation>窗口只能打开一个 FILE；要评判多个文件请用 --check</translation>
    </message>
    <message>
        <source>%1: the file does not exist</source>
        <translation>%1：文件不存在</translation>
    </message>
    <message>
        <source>%1: the solver program does not exist</source>
        <translation>%1：求解程序不存在</translation>
    </message>
    <message>
        <source>A problem input: a vertex count, then that many x y pairs.</source>
        <translation>题目输入：先是顶点数，然后是同样多个 x y 坐标对。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Let the tower and the island lie below the lowest point that sees every slope, and their heights above the least possible, by at most T times max(1, |least|) plus %1 units in the last place of that point (default %2). The tower&apos;s height is taken above the ground, the island&apos;s is its y; both must lie over the profile&apos;s x range.</source>
        <translation>允许瞭望塔和浮空岛低于能看到所有山坡的最低点，也允许其高度高出可能的最低高度，但都不超过 T 乘以 max(1, |最低高度|)，再加上该点的 %1 个末位单位（默认 %2）。瞭望塔的高度从地面算起，浮空岛的高度即其 y；两者都必须位于山脉的 x 范围之内。</translation>
    </message>
    <message>
        <source>--seed: %1 is not a whole number from 0 to 18446744073709551615</source>
        <translation>--seed：%1 不是 0 到 18446744073709551615 之间的整数</translation>
    </message>
    <message>
        <source>--time: %1 is not a number of seconds above 0</source>
        <translation>--time：%1 不是大于 0 的秒数</translation>
    </message>
    <message>
        <source>--vertices: %1 is not MIN-MAX with 1 &lt;= MIN &lt;= MAX &lt;= %2</source>
        <translation>--vertices：%1 不是满足 1 &lt;= MIN &lt;= MAX &lt;= %2 的 MIN-MAX</translation>
    </message>
    <message>
        <source>--shapes: %1 is not one of %2</source>
        <translation>--shapes：%1 不是 %2 之一</translation>
    </message>
    <message>
        <source>--report: %1 is not text or json</source>
        <translation>--report：%1 不是 text 或 json</translation>
    </message>
    <message>
        <source>With --check or --stress: the report as text lines (the default) or as json, one JSON object a line for each file or failure, then a summary object.</source>
        <translation>与 --check 或 --stress 一起使用：报告采用文本行（默认）或 json，即每个文件或失败各一行 JSON 对象，最后是一个汇总对象。</translation>
    </message>
    <message>
        <source>Run no window: solve and judge profiles made up from a seed until one fails, shrink that one to a small profile failing the same way and write it to --out.</source>
        <translation>不打开窗口：求解并评判由种子生成的剖面，直到有一个失败；把它缩减为以同样方式失败的小剖面，并写入 --out。</translation>
    </message>
    <message>
        <source>With --stress: the seed of the first case (default: from the clock; printed).</source>
        <translation>与 --stress 一起使用：第一个用例的种子（默认取自时钟，并会输出）。</translation>
    </message>
    <message>
        <source>With --stress: run at most N cases, however long they take.</source>
        <translation>与 --stress 一起使用：最多运行 N 个用例，不论耗时多久。</translation>
    </message>
    <message>
        <source>With --stress: start cases for this many seconds (default 60).</source>
        <translation>与 --stress 一起使用：在这么多秒内启动用例（默认 60）。</translation>
    </message>
    <message>
        <source>With --stress: how many vertices a case has (default 2-12).</source>
        <translation>与 --stress 一起使用：每个用例的顶点数（默认 2-12）。</translation>
    </message>
    <message>
        <source>With --stress: where the shrunk failing profile goes (default stress-failure.in).</source>
        <translation>与 --stress 一起使用：缩减后的失败剖面写到哪里（默认 stress-failure.in）。</translation>
    </message>
    <message>
        <source>--report works only with --check or --stress</source>
        <translation>--report 只能与 --check 或 --stress 一起使用</translation>
    </message>
    <message>
        <source>--%1 works only with --stress</source>
        <translation>--%1 只能与 --stress 一起使用</translation>
    </message>
    <message>
        <source>--stress and --check do not go together</source>
        <translation>--stress 和 --check 不能一起使用</translation>
    </message>
    <message>
        <source>--stress makes up its own profiles: no FILE, no --picture</source>
        <translation>--stress 自己生成剖面：不接受 FILE，也不接受 --picture</translation>
    </message>
    <message>
        <source>--cases and --time do not go together</source>
        <translation>--cases 和 --time 不能一起使用</translation>
    </message>
    <message>
        <source>Shows a mountain profile with the tower and the island a solver places on it.
Without --check it opens the window, on FILE if one is given.
With --check it runs no window: it solves each FILE as a drop would, judges
the answer and prints a line for each FILE (ok, wrong or error; the tower and
the island; the tower&apos;s height and the best; the solver&apos;s time; why an answer
is wrong), then a summary. Exit status: 0 when every answer is right, 1 when
any is wrong, 2 when any run failed or the command line was refused.
The solvers&apos; standard output goes to standard error, leaving the report alone
on standard output.
With --stress it runs no window either: it solves and judges profiles made up
from a seed until an answer is wrong or a run fails, shrinks that profile and
writes it out. Exit status: 0 when none failed, 1 when one did, 2 when the
solver could not be run at all or the command line was refused.</source>
        <translation>显示山脉剖面，以及求解器在其上放置的瞭望塔和浮空岛。
不带 --check 时打开窗口；如果给出了 FILE，就打开该文件。
带 --check 时不打开窗口：像拖入文件一样求解每个 FILE，评判答案，
并为每个 FILE 输出一行（正确、错误或出错；瞭望塔和浮空岛；瞭望塔的高度
和最优高度；求解器用时；答案错误的原因），最后输出汇总。退出状态：所有答案
都正确时为 0，有答案错误时为 1，有运行失败或命令行被拒绝时为 2。
求解器的标准输出会转到标准错误，标准输出上只有报告。
带 --stress 时同样不打开窗口：求解并评判由种子生成的剖面，直到某个答案
错误或某次运行失败，然后缩减该剖面并写出。退出状态：没有失败时为 0，
有失败时为 1，求解器根本无法运行或命令行被拒绝时为 2。</translation>
    </message>
    <message>
        <source>--%1: %2 is not a whole number of 1 or more</source>
        <translation>--%1：%2 不是大于或等于 1 的整数</translation>
    </message>
    <message>
        <source>With --stress: the shapes of the cases, separated by commas (default all): %1.</source>
        <translation>与 --stress 一起使用：用例的形状，用逗号分隔（默认全部）：%1。</translation>
    </message>
    <message>
        <source>With --picture: mark what is wrong with the answer on top, as the window&apos;s &quot;Mark what is wrong&quot; does: the slope not seen, thick and ringed, and the lowest place possible.</source>
        <translation>与 --picture 同用：像窗口的“标出错误之处”一样，在图上标出答案错在哪里：看不到的坡面（加粗，两端圈出）和可能的最低位置。</translation>
    </message>
</context>
<context>
    <name>DataFile</name>
    <message>
        <source>%1: line %2, column %3: expected a number, found &apos;%4&apos;</source>
        <translation>%1：第 %2 行第 %3 列：应为数字，实际为“%4”</translation>
    </message>
    <message>
        <source>%1: is a folder, not a file</source>
        <translation>%1：这是文件夹，不是文件</translation>
    </message>
    <message>
        <source>%1: the file cannot be opened for reading</source>
        <translation>%1：无法打开文件进行读取</translation>
    </message>
    <message>
        <source>%1: the file does not exist</source>
        <translation>%1：文件不存在</translation>
    </message>
    <message>
        <source>%1: cannot be opened while %2 is open</source>
        <translation>%1：%2 尚未关闭，无法打开</translation>
    </message>
    <message>
        <source>%1: line %2, column %3: expected a whole number, found &apos;%4&apos;</source>
        <translation>%1：第 %2 行第 %3 列：应为整数，实际为“%4”</translation>
    </message>
    <message>
        <source>%1: line %2, column %3: expected a whole number from -2147483648 to 2147483647, found &apos;%4&apos;</source>
        <translation>%1：第 %2 行第 %3 列：应为 -2147483648 到 2147483647 之间的整数，实际为“%4”</translation>
    </message>
    <message>
        <source>%1: line %2, column %3: the number &apos;%4&apos; is beyond the range of a double</source>
        <translation>%1：第 %2 行第 %3 列：数字“%4”超出了双精度浮点数的范围</translation>
    </message>
    <message>
        <source>%1: line %2, column %3: &apos;%4&apos; holds a byte-order mark, which only the very start of the file may hold</source>
        <translation>%1：第 %2 行第 %3 列：“%4”中含有字节顺序标记（BOM），它只能出现在文件的最开头</translation>
    </message>
    <message>
        <source>no data file is open</source>
        <translation>没有打开的数据文件</translation>
    </message>
    <message>
        <source>%1: the file ends</source>
        <translation>%1：文件已结束</translation>
    </message>
    <message>
        <source>%1: line %2, column %3: expected a number, found an empty item before &apos;,&apos;</source>
        <translation>%1：第 %2 行第 %3 列：应为数字，但“,”前面是空项</translation>
    </message>
    <message>
        <source>%1: the file could not be read</source>
        <translation>%1：无法读取文件</translation>
    </message>
    <message>
        <source>%1: the file is empty; it must start with the vertex count</source>
        <translation>%1：文件为空；文件必须以顶点数开头</translation>
    </message>
    <message>
        <source>%1: the vertex count is %2; a profile needs at least one vertex</source>
        <translation>%1：顶点数为 %2；剖面至少需要一个顶点</translation>
    </message>
    <message>
        <source>%1: the vertex count %2 is more than the %3 vertices the viewer can hold</source>
        <translation>%1：顶点数 %2 超过了查看器最多能容纳的 %3 个顶点</translation>
    </message>
    <message>
        <source>%1: the file ends after %2 of %3 vertices</source>
        <translation>%1：应有 %3 个顶点，文件在第 %2 个顶点之后就结束了</translation>
    </message>
    <message>
        <source>%1: the file ends after %2 of its 4 numbers (where the tower stands, then where the island floats, each as x y)</source>
        <translation>%1：应有 4 个数（先是瞭望塔的位置，再是浮空岛的位置，各为 x y），文件在第 %2 个数之后就结束了</translation>
    </message>
</context>
<context>
    <name>FileCommand</name>
    <message>
        <source>cannot create the folder %1: %2</source>
        <translation>无法创建文件夹 %1：%2</translation>
    </message>
    <message>
        <source>cannot copy %1 to %2: %3</source>
        <translation>无法将 %1 复制到 %2：%3</translation>
    </message>
    <message>
        <source>cannot delete %1: it is a folder, not a file</source>
        <translation>无法删除 %1：它是文件夹，不是文件</translation>
    </message>
    <message>
        <source>cannot delete %1: %2</source>
        <translation>无法删除 %1：%2</translation>
    </message>
    <message>
        <source>cannot remove the folder %1: %2</source>
        <translation>无法删除文件夹 %1：%2</translation>
    </message>
    <message>
        <source>cannot make %1 executable: %2</source>
        <translation>无法把 %1 设为可执行：%2</translation>
    </message>
</context>
<context>
    <name>MarkedFailure</name>
    <message>
        <source>right-click the picture to mark it</source>
        <translation>右键单击图形即可标出错误之处</translation>
    </message>
    <message>
        <source>Mark what is wrong</source>
        <translation>标出错误之处</translation>
    </message>
    <message>
        <source>Zoom to the problem</source>
        <translation>放大到问题所在</translation>
    </message>
    <message>
        <source>Zoom to the unseen slope</source>
        <translation>放大到看不到的山坡</translation>
    </message>
    <message>
        <source>Whole profile</source>
        <translation>显示全部山脉</translation>
    </message>
    <message>
        <source>Save picture...</source>
        <translation>保存图片...</translation>
    </message>
    <message>
        <source>Copy answer</source>
        <translation>复制答案</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>保存图片</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>cannot save the picture %1: %2</source>
        <translation>无法保存图片 %1：%2</translation>
    </message>
</context>
<context>
    <name>Picture</name>
    <message>
        <source>%1: the profile has no vertex with x greater than 0, so it cannot be drawn</source>
        <translation>%1：剖面中没有 x 大于 0 的顶点，因此无法绘制</translation>
    </message>
    <message>
        <source>%1: the profile&apos;s largest x, %2, is too close to 0 to be drawn at any scale</source>
        <translation>%1：剖面的最大 x 值 %2 太接近 0，无论用什么比例都无法绘制</translation>
    </message>
    <message>
        <source>something other than a file has this name</source>
        <translation>这个名字已被一个不是普通文件的对象占用</translation>
    </message>
</context>
<context>
    <name>PictureBox</name>
    <message>
        <source>at %1</source>
        <translation>位置 %1</translation>
    </message>
    <message>
        <source>at %1
nearest vertex %2: %3</source>
        <translation>位置 %1
最近的顶点 %2：%3</translation>
    </message>
</context>
<context>
    <name>ProgramPlaces</name>
    <message>
        <source>%1 is a link: the viewer makes its work directory only in a folder of your own; remove the link</source>
        <translation>%1 是一个链接：查看器只在您自己的文件夹中创建工作目录；请删除该链接</translation>
    </message>
    <message>
        <source>%1 is not a folder: the viewer makes its work directory only in a folder of your own; rename or remove it</source>
        <translation>%1 不是文件夹：查看器只在您自己的文件夹中创建工作目录；请将其重命名或删除</translation>
    </message>
    <message>
        <source>cannot open the folder %1: %2</source>
        <translation>无法打开文件夹 %1：%2</translation>
    </message>
    <message>
        <source>%1 belongs to another user: the viewer makes its work directory only in a folder of your own; remove it</source>
        <translation>%1 属于另一个用户：查看器只在您自己的文件夹中创建工作目录；请将其删除</translation>
    </message>
    <message>
        <source>cannot make the folder %1 private: %2</source>
        <translation>无法将文件夹 %1 设为私有：%2</translation>
    </message>
</context>
<context>
    <name>SolverRun</name>
    <message>
        <source>%1 second</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 seconds</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1: the file does not exist</source>
        <translation>%1：文件不存在</translation>
    </message>
    <message>
        <source>%1: is a folder, not a file; drop a problem input file</source>
        <translation>%1：这是文件夹，不是文件；请拖入题目输入文件</translation>
    </message>
    <message>
        <source>%1: is not a plain file</source>
        <translation>%1：不是普通文件</translation>
    </message>
    <message>
        <source>%1: lies in the viewer&apos;s work directory, whose files each run replaces; copy it elsewhere and drop the copy</source>
        <translation>%1：位于查看器的工作目录中，每次运行都会替换其中的文件；请把它复制到别处，再拖入副本</translation>
    </message>
    <message>
        <source>%1: the viewer needs this name for its work directory, but a file has it; rename or remove it</source>
        <translation>%1：查看器的工作目录要用这个名字，但它已被一个文件占用；请将其重命名或删除</translation>
    </message>
    <message>
        <source>%1: the viewer needs this name for its work directory, but a link has it; rename or remove it</source>
        <translation>%1：查看器的工作目录要用这个名字，但它已被一个链接占用；请将其重命名或删除</translation>
    </message>
    <message>
        <source>%1: the viewer needs this name for its work directory, but something other than a folder has it; rename or remove it</source>
        <translation>%1：查看器的工作目录要用这个名字，但它已被一个不是文件夹的对象占用；请将其重命名或删除</translation>
    </message>
    <message>
        <source>%1 is missing: it must lie beside the program, in %2</source>
        <translation>找不到 %1：它必须和本程序放在同一文件夹 %2 中</translation>
    </message>
    <message>
        <source>%1: the solver program does not exist</source>
        <translation>%1：求解程序不存在</translation>
    </message>
    <message>
        <source>%1 is not a program file</source>
        <translation>%1 不是程序文件</translation>
    </message>
    <message>
        <source>%1 could not be started: %2</source>
        <translation>无法启动 %1：%2</translation>
    </message>
    <message>
        <source>%1 crashed</source>
        <translation>%1 崩溃了</translation>
    </message>
    <message>
        <source>%1 exited with status %2</source>
        <translation>%1 以状态 %2 退出</translation>
    </message>
    <message>
        <source>%1 and wrote nothing to its error output</source>
        <translation>%1，且没有向错误输出写入任何内容</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>%1 did not finish within %2</source>
        <translation>%1 未能在 %2 内完成</translation>
    </message>
    <message>
        <source>%1 finished without a usable answer: %2</source>
        <translation>%1 已结束，但没有给出可用的答案：%2</translation>
    </message>
    <message>
        <source>%1 is missing from %2, where the installation put it; install the viewer again or name a solver with --solver</source>
        <translation>%2 中缺少安装时放在那里的 %1；请重新安装查看器，或用 --solver 指定求解程序</translation>
    </message>
    <message>
        <source>%1 is in use by another run of the viewer (%2); try again once it has finished</source>
        <translation>%1 正被查看器的另一次运行使用（%2）；请等它结束后再试</translation>
    </message>
    <message>
        <source>the lock cannot be taken</source>
        <translation>无法取得锁</translation>
    </message>
    <message>
        <source>cannot create the lock file %1: %2</source>
        <translation>无法创建锁文件 %1：%2</translation>
    </message>
    <message>
        <source>a program that has just let it go</source>
        <translation>一个刚刚将其释放的程序</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1，进程 %2</translation>
    </message>
    <message>
        <source>%1, process %2 on %3</source>
        <translation>%1，%3 上的进程 %2</translation>
    </message>
    <message>
        <source>%1 changed %2, its copy of %3, and it can no longer be read: %4</source>
        <translation>%1 改动了 %2（%3 的副本），改动后的文件已无法读取：%4</translation>
    </message>
    <message>
        <source>%1 left %2 as something other than a file</source>
        <translation>%1 把 %2 留成了一个不是文件的对象</translation>
    </message>
    <message>
        <source>%1 left %2 as a named pipe, not a file</source>
        <translation>%1 把 %2 留成了命名管道，而不是文件</translation>
    </message>
    <message>
        <source>%1 left %2 as a link, not a file</source>
        <translation>%1 把 %2 留成了链接，而不是文件</translation>
    </message>
    <message>
        <source>%1 left %2 as a folder, not a file</source>
        <translation>%1 把 %2 留成了文件夹，而不是文件</translation>
    </message>
    <message>
        <source>%1 left %2 as a device, not a file</source>
        <translation>%1 把 %2 留成了设备，而不是文件</translation>
    </message>
    <message>
        <source>%1 left %2 as a socket, not a file</source>
        <translation>%1 把 %2 留成了套接字，而不是文件</translation>
    </message>
    <message>
        <source>%1 left %2 on another file system than its work directory</source>
        <translation>%1 把 %2 留在了工作目录以外的文件系统上</translation>
    </message>
</context>
<context>
    <name>StressMode</name>
    <message>
        <source>%1 cases, %2 cases/s, %3 s, shape %4</source>
        <translation>%1 个用例，每秒 %2 个，%3 秒，形状 %4</translation>
    </message>
    <message>
        <source>stress: seed %1</source>
        <translation>压力测试：种子 %1</translation>
    </message>
    <message>
        <source>cannot make a folder for the cases: %1</source>
        <translation>无法为用例创建文件夹：%1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>无法写入 %1</translation>
    </message>
    <message>
        <source>stress: %1 cases in %2 s (%3 cases/s), %4; seed %5</source>
        <translation>压力测试：%2 秒内 %1 个用例（每秒 %3 个），%4；种子 %5</translation>
    </message>
    <message>
        <source>1 failure</source>
        <translation>1 个失败</translation>
    </message>
    <message>
        <source>no failure</source>
        <translation>没有失败</translation>
    </message>
    <message>
        <source>case %1 (seed %2, shape %3, %4 vertices, %5) failed: %6; shrinking</source>
        <translation>用例 %1（种子 %2，形状 %3，%4 个顶点，%5）失败：%6；正在缩减</translation>
    </message>
    <message>
        <source>shrunk from %1 to %2 vertices in %3 solver runs%4, written to %5:</source>
        <translation>用 %3 次求解器运行从 %1 个顶点缩减到 %2 个%4，已写入 %5：</translation>
    </message>
    <message>
        <source> (stopped)</source>
        <translation>（已停止）</translation>
    </message>
    <message>
        <source>replay: %1 --stress --seed %2 --cases 1%3%4</source>
        <translation>重现：%1 --stress --seed %2 --cases 1%3%4</translation>
    </message>
    <message>
        <source>open: %1 %2%3</source>
        <translation>打开：%1 %2%3</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>height %1 above the ground; the lowest possible is %2: optimal</source>
        <translation>离地高度 %1；可能的最低高度为 %2：最优</translation>
    </message>
    <message>
        <source>at y %1; the lowest possible is %2: optimal</source>
        <translation>位于 y = %1；可能的最低位置为 %2：最优</translation>
    </message>
    <message>
        <source>height %1 above the ground; the lowest possible is %2, at %3</source>
        <translation>离地高度 %1；可能的最低高度为 %2，位于 %3</translation>
    </message>
    <message>
        <source>at y %1; the lowest possible is %2, at %3</source>
        <translation>位于 y = %1；可能的最低位置为 %2，位于 %3</translation>
    </message>
    <message>
        <source>its coordinates are not finite numbers</source>
        <translation>坐标不是有限数</translation>
    </message>
    <message>
        <source>x %1 lies outside the profile, which spans x %2 to %3</source>
        <translation>x = %1 位于剖面之外，剖面的 x 范围是 %2 到 %3</translation>
    </message>
    <message>
        <source>does not see the slope from %1 to %2: at x %3 it needs y %4 or more</source>
        <translation>看不到从 %1 到 %2 的山坡：在 x = %3 处，y 至少需要 %4</translation>
    </message>
    <message>
        <source>cannot be judged: the best answer lies beyond the range of a double</source>
        <translation>无法评判：最优答案超出了双精度浮点数的范围</translation>
    </message>
    <message>
        <source>the solver ran for %1 ms</source>
        <translation>求解器运行了 %1 毫秒</translation>
    </message>
    <message>
        <source>%1; %2</source>
        <translation>%1；%2</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>%1: %2: %3</source>
        <translation>%1：%2：%3</translation>
    </message>
</context>
</TS>
