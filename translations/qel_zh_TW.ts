<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="en">
<context>
    <name>Connection</name>
    <message>
        <source>The database file %1 is in use by another program; try again when it has finished</source>
        <translation>資料庫檔案 %1 正由另一個程式使用中；請待它完成後再試</translation>
    </message>
    <message>
        <source>The database file %1 cannot be read: access is denied</source>
        <translation>無法讀取資料庫檔案 %1：沒有存取權限</translation>
    </message>
    <message>
        <source>The database file %1 cannot be written: its folder %2 is read-only</source>
        <translation>無法寫入資料庫檔案 %1：所在資料夾 %2 為唯讀</translation>
    </message>
    <message>
        <source>The database file %1 cannot be written: it is read-only</source>
        <translation>無法寫入資料庫檔案 %1：檔案為唯讀</translation>
    </message>
    <message>
        <source>The database file %1 cannot be written</source>
        <translation>無法寫入資料庫檔案 %1</translation>
    </message>
    <message>
        <source>The database file %1 cannot grow: the disk is full</source>
        <translation>資料庫檔案 %1 無法再增大：磁碟已滿</translation>
    </message>
    <message>
        <source>The database file %1 cannot be read or written</source>
        <translation>無法讀寫資料庫檔案 %1</translation>
    </message>
    <message>
        <source>The database file %1 is damaged</source>
        <translation>資料庫檔案 %1 已損壞</translation>
    </message>
    <message>
        <source>The connection is already open.</source>
        <translation>連線已經開啟。</translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation>%1：沒有這個檔案</translation>
    </message>
    <message>
        <source>Qt&apos;s PostgreSQL driver is not installed (Debian package libqt6sql6-psql).</source>
        <translation>未安裝 Qt 的 PostgreSQL 驅動程式（Debian 套件 libqt6sql6-psql）。</translation>
    </message>
    <message>
        <source>The %1 cannot be used: %2</source>
        <translation>無法使用%1：%2</translation>
    </message>
    <message>
        <source>The %1 cannot be reached: %2. Nothing was stored; the next command tries again.</source>
        <translation>無法連上%1：%2。未儲存任何資料；下一個指令會再試一次。</translation>
    </message>
    <message>
        <source>The connection is not open.</source>
        <translation>連線尚未開啟。</translation>
    </message>
    <message>
        <source>The database could not run a statement.</source>
        <translation>資料庫無法執行指令。</translation>
    </message>
    <message>
        <source>The connection to the %1 was lost (%2). What this command was writing was not stored; the next command connects again.</source>
        <translation>與%1的連線中斷（%2）。此指令正在寫入的資料未儲存；下一個指令會重新連線。</translation>
    </message>
    <message>
        <source>The %1 is busy with another agent&apos;s save; try again when it has finished</source>
        <translation>%1正忙於另一位業務員的儲存；請待其完成後再試</translation>
    </message>
    <message>
        <source>The %1 stopped the command: it took longer than the server allows; try again</source>
        <translation>%1中止了指令：執行時間超過伺服器的限制；請再試一次</translation>
    </message>
    <message>
        <source>The %1 takes no changes at the moment: it is read-only</source>
        <translation>%1目前不接受變更：它是唯讀的</translation>
    </message>
    <message>
        <source>The %1 cannot store more: the server&apos;s disk is full</source>
        <translation>%1無法再儲存：伺服器的磁碟已滿</translation>
    </message>
    <message>
        <source>The %1 has run out of room for this command (memory or connections); try again</source>
        <translation>%1的資源不足以執行此指令（記憶體或連線數）；請再試一次</translation>
    </message>
    <message>
        <source>The %1 has trouble with its own files</source>
        <translation>%1的檔案發生問題</translation>
    </message>
    <message>
        <source>no such table: %1</source>
        <translation>沒有這個資料表：%1</translation>
    </message>
    <message>
        <source>A transaction is already running.</source>
        <translation>交易已在進行中。</translation>
    </message>
    <message>
        <source>No transaction is running.</source>
        <translation>沒有進行中的交易。</translation>
    </message>
</context>
<context>
    <name>CustomerCard</name>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>C_No</source>
        <translation>客戶編號</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>類別</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>生日</translation>
    </message>
    <message>
        <source>Marriage</source>
        <translation>婚姻</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>Blood</source>
        <translation>血型</translation>
    </message>
    <message>
        <source>Birthplace</source>
        <translation>出生地</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>身分證號</translation>
    </message>
    <message>
        <source>E-Mail</source>
        <translation>電子郵件</translation>
    </message>
    <message>
        <source>Tel(H)</source>
        <translation>住家電話</translation>
    </message>
    <message>
        <source>Mobile</source>
        <translation>手機</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Add(H)</source>
        <translation>住家地址</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Business</source>
        <translation>行業</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>職稱</translation>
    </message>
    <message>
        <source>Income</source>
        <translation>年收入</translation>
    </message>
    <message>
        <source>Job Grade</source>
        <translation>職業等級</translation>
    </message>
    <message>
        <source>Tel(O)</source>
        <translation>電話</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>傳真</translation>
    </message>
    <message>
        <source>Add(O)</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>家庭成員</translation>
    </message>
    <message>
        <source>Insurance</source>
        <translation>保單</translation>
    </message>
    <message>
        <source>Compensation</source>
        <translation>理賠</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>聯絡紀錄</translation>
    </message>
    <message>
        <source>Printed %1</source>
        <translation>列印日期 %1</translation>
    </message>
    <message>
        <source>%1  (C_No %2)</source>
        <translation>%1（客戶編號 %2）</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>基本資料</translation>
    </message>
    <message>
        <source>none</source>
        <translation>無</translation>
    </message>
    <message>
        <source>Qel card %1</source>
        <translation>Qel 客戶卡 %1</translation>
    </message>
    <message>
        <source>Print card</source>
        <translation>列印客戶卡</translation>
    </message>
</context>
<context>
    <name>CustomerState</name>
    <message>
        <source>new</source>
        <translation>新增</translation>
    </message>
    <message>
        <source>save</source>
        <translation>儲存</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>restore</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>import</source>
        <translation>匯入</translation>
    </message>
    <message>
        <source>family</source>
        <translation>家庭成員</translation>
    </message>
    <message>
        <source>insurance</source>
        <translation>保單</translation>
    </message>
    <message>
        <source>compensate</source>
        <translation>理賠</translation>
    </message>
    <message>
        <source>contact</source>
        <translation>聯絡紀錄</translation>
    </message>
    <message>
        <source>%1 customers imported from %2</source>
        <translation>自 %2 匯入 %1 位客戶</translation>
    </message>
    <message>
        <source>customer added</source>
        <translation>新增客戶</translation>
    </message>
    <message>
        <source>customer deleted</source>
        <translation>刪除客戶</translation>
    </message>
    <message>
        <source>%1 added</source>
        <translation>新增 %1 筆</translation>
    </message>
    <message>
        <source>%1 removed</source>
        <translation>刪除 %1 筆</translation>
    </message>
    <message>
        <source>%1 changed</source>
        <translation>修改 %1 筆</translation>
    </message>
    <message>
        <source>no change</source>
        <translation>無異動</translation>
    </message>
    <message>
        <source>%1, before: %2</source>
        <translation>%1，修改前：%2</translation>
    </message>
    <message>
        <source>%1, after: %2</source>
        <translation>%1，修改後：%2</translation>
    </message>
    <message>
        <source>No list rows changed.</source>
        <translation>清單資料沒有異動。</translation>
    </message>
    <message>
        <source>Cust_name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>CID</source>
        <translation>客戶編號</translation>
    </message>
    <message>
        <source>Cust_type</source>
        <translation>類別</translation>
    </message>
    <message>
        <source>Cust_birthyear</source>
        <translation>生日（年）</translation>
    </message>
    <message>
        <source>Cust_birthmonth</source>
        <translation>生日（月）</translation>
    </message>
    <message>
        <source>Cust_birthday</source>
        <translation>生日（日）</translation>
    </message>
    <message>
        <source>Cust_id</source>
        <translation>身分證號</translation>
    </message>
    <message>
        <source>Cust_sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>Cust_blood</source>
        <translation>血型</translation>
    </message>
    <message>
        <source>Cust_birthplace</source>
        <translation>出生地</translation>
    </message>
    <message>
        <source>Cust_marriage</source>
        <translation>婚姻</translation>
    </message>
    <message>
        <source>Cust_email</source>
        <translation>電子郵件</translation>
    </message>
    <message>
        <source>Cust_telhome</source>
        <translation>住家電話</translation>
    </message>
    <message>
        <source>Cust_cellphone</source>
        <translation>手機</translation>
    </message>
    <message>
        <source>Cust_otherphone</source>
        <translation>其他電話</translation>
    </message>
    <message>
        <source>Cust_addhome</source>
        <translation>住家地址</translation>
    </message>
    <message>
        <source>Cust_company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Cust_jobtype</source>
        <translation>行業</translation>
    </message>
    <message>
        <source>Cust_jobtitle</source>
        <translation>職稱</translation>
    </message>
    <message>
        <source>Cust_jobgrade</source>
        <translation>職業等級</translation>
    </message>
    <message>
        <source>Cust_salary</source>
        <translation>年收入</translation>
    </message>
    <message>
        <source>Cust_teloffice</source>
        <translation>公司電話</translation>
    </message>
    <message>
        <source>Cust_fax</source>
        <translation>傳真</translation>
    </message>
    <message>
        <source>Cust_addoffice</source>
        <translation>公司地址</translation>
    </message>
</context>
<context>
    <name>CustomerWriter</name>
    <message>
        <source>C_No already exists！</source>
        <translation>客戶編號已存在！</translation>
    </message>
</context>
<context>
    <name>FindBox</name>
    <message>
        <source>%1  C_No %2  %3</source>
        <translation>%1  客戶編號 %2  %3</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>尋找</translation>
    </message>
    <message>
        <source>Find a customer by any part of any field (Ctrl+F)</source>
        <translation>以任一欄位的任一部分尋找客戶（Ctrl+F）</translation>
    </message>
    <message>
        <source>No customer matches</source>
        <translation>沒有相符的客戶</translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>The card index in %1 could not be taken over; nothing was changed.
%2</source>
        <translation>無法接收 %1 中的客戶資料，未做任何變更。
%2</translation>
    </message>
    <message>
        <source>The card index in %1 was taken over: %2 customers and %3 list rows came over, %4 needed attention.

%5</source>
        <translation>已接收 %1 中的客戶資料：%2 位客戶、%3 筆清單資料，其中 %4 筆需要留意。

%5</translation>
    </message>
</context>
<context>
    <name>Guard</name>
    <message>
        <source>Unexpected error.</source>
        <translation>發生未預期的錯誤。</translation>
    </message>
</context>
<context>
    <name>KeyedToolBar</name>
    <message>
        <source>first</source>
        <translation>第一筆</translation>
    </message>
    <message>
        <source>previous</source>
        <translation>上一筆</translation>
    </message>
    <message>
        <source>next</source>
        <translation>下一筆</translation>
    </message>
    <message>
        <source>last</source>
        <translation>最後一筆</translation>
    </message>
    <message>
        <source>search</source>
        <translation>搜尋</translation>
    </message>
    <message>
        <source>new</source>
        <translation>新增</translation>
    </message>
    <message>
        <source>modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>save</source>
        <translation>儲存</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source>import</source>
        <translation>匯入</translation>
    </message>
    <message>
        <source>export</source>
        <translation>匯出</translation>
    </message>
    <message>
        <source>backup</source>
        <translation>備份</translation>
    </message>
    <message>
        <source>schedule</source>
        <translation>行事曆</translation>
    </message>
    <message>
        <source>print</source>
        <translation>列印</translation>
    </message>
    <message>
        <source>history</source>
        <translation>異動紀錄</translation>
    </message>
</context>
<context>
    <name>ListHeadings</name>
    <message>
        <source>Title</source>
        <translation>稱謂</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>身分證號</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>生日</translation>
    </message>
    <message>
        <source>Insurance Age</source>
        <translation>保險年齡</translation>
    </message>
    <message>
        <source>Occupation</source>
        <translation>職業</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>備註</translation>
    </message>
    <message>
        <source>Insurer</source>
        <translation>保險公司</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>險種</translation>
    </message>
    <message>
        <source>Coverage</source>
        <translation>保額</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>年期</translation>
    </message>
    <message>
        <source>Insur_No</source>
        <translation>保單號碼</translation>
    </message>
    <message>
        <source>Policyholder</source>
        <translation>要保人</translation>
    </message>
    <message>
        <source>Beneficiary</source>
        <translation>受益人</translation>
    </message>
    <message>
        <source>Premium</source>
        <translation>保費</translation>
    </message>
    <message>
        <source>Payment</source>
        <translation>繳費方式</translation>
    </message>
    <message>
        <source>Effective date</source>
        <translation>生效日</translation>
    </message>
    <message>
        <source>Anniversary</source>
        <translation>週年日</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>事由</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>地點</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>理賠項目</translation>
    </message>
    <message>
        <source>Compensation</source>
        <translation>理賠金額</translation>
    </message>
    <message>
        <source>State</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>地點</translation>
    </message>
    <message>
        <source>Method</source>
        <translation>方式</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>主題</translation>
    </message>
    <message>
        <source>Context</source>
        <translation>內容</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>類別</translation>
    </message>
</context>
<context>
    <name>QuickFind</name>
    <message>
        <source>The database file %1 has no quick find index yet, and it cannot be added now (%2). The find box still works, but more slowly; start Qel again when the file can be written to add the index.</source>
        <translation>資料庫檔案 %1 尚無快速尋找索引，目前也無法加入（%2）。尋找框仍可使用，但較慢；待檔案可寫入時請重新啟動 Qel 以加入索引。</translation>
    </message>
    <message>
        <source>Preparing the database file for the quick find: indexing every customer and list row. This is done once.</source>
        <translation>正在為快速尋找準備資料庫檔案：為每位客戶及每筆清單資料建立索引。只需進行一次。</translation>
    </message>
    <message>
        <source>another program is using it</source>
        <translation>另一個程式正在使用它</translation>
    </message>
    <message>
        <source>it cannot be written</source>
        <translation>它無法寫入</translation>
    </message>
    <message>
        <source>The %1 has no quick find index, and it cannot be added (%2). The find box still works, but more slowly; ask the database&apos;s owner to run Qel once.</source>
        <translation>%1沒有快速尋找索引，也無法加入（%2）。尋找框仍可使用，但較慢；請資料庫的擁有者執行一次 Qel。</translation>
    </message>
</context>
<context>
    <name>Recordset</name>
    <message>
        <source>Either BOF or EOF is True, or the current record has been deleted.</source>
        <translation>已在第一筆之前或最後一筆之後，或目前的資料已被刪除。</translation>
    </message>
    <message>
        <source>Cannot open a record set on: %1</source>
        <translation>無法開啟資料集：%1</translation>
    </message>
    <message>
        <source>The record set is not open.</source>
        <translation>資料集尚未開啟。</translation>
    </message>
    <message>
        <source>Item cannot be found at position %1.</source>
        <translation>在位置 %1 找不到欄位。</translation>
    </message>
    <message>
        <source>Item cannot be found in the collection: %1</source>
        <translation>找不到欄位：%1</translation>
    </message>
    <message>
        <source>The current row no longer exists: another program may have deleted it.</source>
        <translation>目前這筆資料已不存在：可能已被另一個程式刪除。</translation>
    </message>
    <message>
        <source>The record set is read-only.</source>
        <translation>資料集為唯讀。</translation>
    </message>
    <message>
        <source>The row to be saved no longer exists: another program deleted it.</source>
        <translation>要儲存的資料已不存在：已被另一個程式刪除。</translation>
    </message>
    <message>
        <source>The row to be deleted no longer exists: another program deleted it.</source>
        <translation>要刪除的資料已不存在：已被另一個程式刪除。</translation>
    </message>
</context>
<context>
    <name>Schedule</name>
    <message>
        <source> (Insur_No %1)</source>
        <translation>（保單號碼 %1）</translation>
    </message>
    <message>
        <source>Anniversary</source>
        <translation>保單週年日</translation>
    </message>
    <message>
        <source>Effective date</source>
        <translation>生效日</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>生日</translation>
    </message>
    <message>
        <source>Birthday (age %1)</source>
        <translation>生日（%1 歲）</translation>
    </message>
    <message>
        <source>Anniversary (1 year)</source>
        <translation>保單週年日（1 週年）</translation>
    </message>
    <message>
        <source>Anniversary (%1 years)</source>
        <translation>保單週年日（%1 週年）</translation>
    </message>
</context>
<context>
    <name>Schema</name>
    <message>
        <source>The database file %1 cannot be used: %2</source>
        <translation>無法使用資料庫檔案 %1：%2</translation>
    </message>
    <message>
        <source>The %1 cannot be used: %2</source>
        <translation>無法使用%1：%2</translation>
    </message>
    <message>
        <source> Until then, moving between customers, saving and deleting will be slow.</source>
        <translation>在此之前，切換客戶、儲存及刪除都會較慢。</translation>
    </message>
    <message>
        <source>another program is using the file, so the indexes cannot be added now. Close the other program and start Qel again to add them.</source>
        <translation>另一個程式正在使用此檔案，目前無法加入索引。請關閉該程式後重新啟動 Qel 以加入索引。</translation>
    </message>
    <message>
        <source>the file cannot be written, so the indexes cannot be added. Make the file and its folder writable and start Qel again to add them.</source>
        <translation>檔案無法寫入，因此無法加入索引。請讓檔案及其資料夾可寫入，再重新啟動 Qel 以加入索引。</translation>
    </message>
    <message>
        <source>Preparing the database file for fast browsing: adding the indexes on the customer numbers (CID). This is done once.</source>
        <translation>正在為快速瀏覽準備資料庫檔案：為客戶編號（CID）加入索引。只需進行一次。</translation>
    </message>
    <message>
        <source>it has no table &quot;%1&quot;.</source>
        <translation>它沒有資料表「%1」。</translation>
    </message>
    <message>
        <source>column %1 of table &quot;%2&quot; is not &quot;%3&quot;.</source>
        <translation>資料表「%2」的第 %1 欄不是「%3」。</translation>
    </message>
    <message>
        <source>table &quot;%1&quot; has no column &quot;%2&quot;.</source>
        <translation>資料表「%1」沒有欄位「%2」。</translation>
    </message>
    <message>
        <source>table &quot;customer&quot; has no row number column &quot;rowid&quot;.</source>
        <translation>資料表「customer」沒有列號欄位「rowid」。</translation>
    </message>
</context>
<context>
    <name>Server</name>
    <message>
        <source>this machine</source>
        <translation>本機</translation>
    </message>
    <message>
        <source>database &quot;%1&quot; on server %2</source>
        <translation>伺服器 %2 上的資料庫「%1」</translation>
    </message>
    <message>
        <source>no memory</source>
        <translation>記憶體不足</translation>
    </message>
    <message>
        <source>QEL_DATABASE is not a PostgreSQL connection URI: %1</source>
        <translation>QEL_DATABASE 不是 PostgreSQL 連線 URI：%1</translation>
    </message>
</context>
<context>
    <name>StoredValue</name>
    <message>
        <source>Customer</source>
        <translation>客戶</translation>
    </message>
    <message>
        <source>to-be</source>
        <translation>準客戶</translation>
    </message>
    <message>
        <source>Potential </source>
        <translation>潛在</translation>
    </message>
    <message>
        <source>Normal </source>
        <translation>一般</translation>
    </message>
    <message>
        <source>unfamilia</source>
        <translation>陌生</translation>
    </message>
    <message>
        <source>family</source>
        <translation>家人</translation>
    </message>
    <message>
        <source>friend</source>
        <translation>朋友</translation>
    </message>
    <message>
        <source>unmarried</source>
        <translation>未婚</translation>
    </message>
    <message>
        <source>married</source>
        <translation>已婚</translation>
    </message>
    <message>
        <source>divorce</source>
        <translation>離婚</translation>
    </message>
    <message>
        <source>other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>male</source>
        <translation>男</translation>
    </message>
    <message>
        <source>female</source>
        <translation>女</translation>
    </message>
    <message>
        <source>under 100,000</source>
        <translation>10萬以下</translation>
    </message>
    <message>
        <source>100,000~200,000</source>
        <translation>10萬~20萬</translation>
    </message>
    <message>
        <source>200,000~300,000</source>
        <translation>20萬~30萬</translation>
    </message>
    <message>
        <source>300,000~400,000</source>
        <translation>30萬~40萬</translation>
    </message>
    <message>
        <source>400,000~500,000</source>
        <translation>40萬~50萬</translation>
    </message>
    <message>
        <source>500,000~600,000</source>
        <translation>50萬~60萬</translation>
    </message>
    <message>
        <source>600,000~700,000</source>
        <translation>60萬~70萬</translation>
    </message>
    <message>
        <source>700,000~800,000</source>
        <translation>70萬~80萬</translation>
    </message>
    <message>
        <source>800,000~900,000</source>
        <translation>80萬~90萬</translation>
    </message>
    <message>
        <source>900,000~1,000,000</source>
        <translation>90萬~100萬</translation>
    </message>
    <message>
        <source>1,000,000~1,500,000</source>
        <translation>100萬~150萬</translation>
    </message>
    <message>
        <source>1,500,000~2,000,000</source>
        <translation>150萬~200萬</translation>
    </message>
    <message>
        <source>above 2,000,000</source>
        <translation>200萬以上</translation>
    </message>
</context>
<context>
    <name>Transfer</name>
    <message>
        <source>The database driver gives no server connection.</source>
        <translation>資料庫驅動程式沒有提供伺服器連線。</translation>
    </message>
    <message>
        <source>The database driver gives no SQLite handle.</source>
        <translation>資料庫驅動程式沒有提供 SQLite 控制代碼。</translation>
    </message>
    <message>
        <source>%1: no such file.</source>
        <translation>%1：沒有這個檔案。</translation>
    </message>
    <message>
        <source>%1 cannot be read.</source>
        <translation>無法讀取 %1。</translation>
    </message>
    <message>
        <source>%1 is no Access database or is damaged.</source>
        <translation>%1 不是 Access 資料庫，或已損壞。</translation>
    </message>
    <message>
        <source>%1: the list of tables cannot be read.</source>
        <translation>%1：無法讀取資料表清單。</translation>
    </message>
    <message>
        <source>a table name</source>
        <translation>資料表名稱</translation>
    </message>
    <message>
        <source>%1: %2 cannot be read in code page %3; give the right one with --codepage.</source>
        <translation>%1：無法以字碼頁 %3 讀取%2；請以 --codepage 指定正確的字碼頁。</translation>
    </message>
    <message>
        <source>%1 has no table &quot;%2&quot;.</source>
        <translation>%1 沒有資料表「%2」。</translation>
    </message>
    <message>
        <source>%1: table &quot;%2&quot; cannot be read.</source>
        <translation>%1：無法讀取資料表「%2」。</translation>
    </message>
    <message>
        <source>a column name of table &quot;%1&quot;</source>
        <translation>資料表「%1」的欄位名稱</translation>
    </message>
    <message>
        <source>table &quot;%1&quot;, row %2, column &quot;%3&quot;</source>
        <translation>資料表「%1」第 %2 列的欄位「%3」</translation>
    </message>
    <message>
        <source>%1: %2 holds a value too long to be read whole.</source>
        <translation>%1：%2 的內容太長，無法完整讀取。</translation>
    </message>
    <message>
        <source>The backup %1 cannot be written: %2.</source>
        <translation>無法寫入備份 %1：%2。</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>磁碟已滿</translation>
    </message>
    <message>
        <source>the disk could not be read or written (%1)</source>
        <translation>磁碟無法讀寫（%1）</translation>
    </message>
    <message>
        <source>the copy is damaged (%1)</source>
        <translation>副本已損壞（%1）</translation>
    </message>
    <message>
        <source>it is the database itself (%1)</source>
        <translation>它就是資料庫本身（%1）</translation>
    </message>
    <message>
        <source>it is the journal of the database %1</source>
        <translation>它是資料庫 %1 的日誌檔</translation>
    </message>
    <message>
        <source>it is the write-ahead log of the database %1</source>
        <translation>它是資料庫 %1 的預寫日誌</translation>
    </message>
    <message>
        <source>it is the shared-memory index of the database %1</source>
        <translation>它是資料庫 %1 的共用記憶體索引</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>它是資料夾</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 不是資料夾</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>資料夾 %1 不存在</translation>
    </message>
    <message>
        <source>Backed up %1 to %2 (%3 bytes).</source>
        <translation>已將 %1 備份至 %2（%3 位元組）。</translation>
    </message>
    <message>
        <source>Code page %1 is not known on this system.</source>
        <translation>此系統不認得字碼頁 %1。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>無法讀取 %1：%2</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>無法讀取（%1）</translation>
    </message>
    <message>
        <source>field %1 is not text in code page %2; give the file&apos;s code page with --codepage, or leave it out for UTF-8</source>
        <translation>第 %1 欄不是字碼頁 %2 的文字；請以 --codepage 指定檔案的字碼頁，若為 UTF-8 則省略</translation>
    </message>
    <message>
        <source>field %1 is not UTF-8 text; if the file was saved in another code page, import it with --codepage N (950 for Traditional Chinese)</source>
        <translation>第 %1 欄不是 UTF-8 文字；若檔案以其他字碼頁儲存，請以 --codepage N 匯入（繁體中文為 950）</translation>
    </message>
    <message>
        <source>a quoted field is not closed</source>
        <translation>有引號欄位未結束</translation>
    </message>
    <message>
        <source>text follows the closing quote of field %1</source>
        <translation>第 %1 欄的結束引號後還有文字</translation>
    </message>
    <message>
        <source>Exported to %1:</source>
        <translation>已匯出至 %1：</translation>
    </message>
    <message>
        <source>Cannot export to %1: %2.</source>
        <translation>無法匯出至 %1：%2。</translation>
    </message>
    <message>
        <source>the folder cannot be made</source>
        <translation>無法建立資料夾</translation>
    </message>
    <message>
        <source>%1 is a folder</source>
        <translation>%1 是資料夾</translation>
    </message>
    <message>
        <source>the new %1 in place of its older one, which is in %2</source>
        <translation>新的 %1 已取代舊檔，舊檔在 %2</translation>
    </message>
    <message>
        <source>no %1: its older one is in %2</source>
        <translation>沒有 %1：舊檔在 %2</translation>
    </message>
    <message>
        <source>the new %1, which it did not hold before</source>
        <translation>新的 %1（原本沒有此檔）</translation>
    </message>
    <message>
        <source>; its files are as they were</source>
        <translation>；其中的檔案維持原狀</translation>
    </message>
    <message>
        <source>%1, and undoing it failed too (%2): the folder holds %3 (move it back by hand); its other files are as they were</source>
        <translation>%1，復原也失敗了（%2）：資料夾中有%3（請手動搬回）；其他檔案維持原狀</translation>
    </message>
    <message>
        <source>Cannot export to %1: it is a file, not a folder.</source>
        <translation>無法匯出至 %1：它是檔案，不是資料夾。</translation>
    </message>
    <message>
        <source>The file %1 cannot be written: %2.</source>
        <translation>無法寫入檔案 %1：%2。</translation>
    </message>
    <message>
        <source>no such table: %1</source>
        <translation>沒有這個資料表：%1</translation>
    </message>
    <message>
        <source>The source has no customer table.</source>
        <translation>來源沒有客戶資料表。</translation>
    </message>
    <message>
        <source>%1 is the database itself.</source>
        <translation>%1 就是資料庫本身。</translation>
    </message>
    <message>
        <source>Cannot write</source>
        <translation>無法寫入</translation>
    </message>
    <message>
        <source>%1 customers and %2 list rows imported.</source>
        <translation>已匯入 %1 位客戶及 %2 筆清單資料。</translation>
    </message>
    <message>
        <source>Rows per table: %1.</source>
        <translation>各資料表筆數：%1。</translation>
    </message>
    <message>
        <source>Already present, not imported again: %1 customers, %2 list rows.</source>
        <translation>已存在、未重複匯入：%1 位客戶、%2 筆清單資料。</translation>
    </message>
    <message>
        <source>Under a new key, theirs being taken: %1 customers.</source>
        <translation>因客戶編號已被使用而改用新編號：%1 位客戶。</translation>
    </message>
    <message>
        <source>  &quot;%1&quot; is now &quot;%2&quot;</source>
        <translation>  「%1」改為「%2」</translation>
    </message>
    <message>
        <source>List rows that name no customer, imported as they are: %1.</source>
        <translation>沒有對應客戶的清單資料，照原樣匯入：%1。</translation>
    </message>
    <message>
        <source>Columns not known, ignored: %1.</source>
        <translation>不認得而略過的欄位：%1。</translation>
    </message>
    <message>
        <source>Tables not in the source: %1.</source>
        <translation>來源中沒有的資料表：%1。</translation>
    </message>
    <message>
        <source>the shared database</source>
        <translation>共用資料庫</translation>
    </message>
    <message>
        <source>Import failed, %1: %2</source>
        <translation>匯入失敗，%1：%2</translation>
    </message>
    <message>
        <source> is unchanged</source>
        <translation> 未變更</translation>
    </message>
    <message>
        <source>no %1 was made</source>
        <translation>未建立 %1</translation>
    </message>
    <message>
        <source>The database file %1 does not exist.</source>
        <translation>資料庫檔案 %1 不存在。</translation>
    </message>
    <message>
        <source>%1 works on a database file, and Qel is using the shared database that QEL_DATABASE names. The guide docs/shared-database.md shows how its server backs it up and how customers of a file are brought into it.</source>
        <translation>%1 只適用於資料庫檔案，而 Qel 正在使用 QEL_DATABASE 指定的共用資料庫。說明文件 docs/shared-database.md 介紹其伺服器如何備份，以及如何將檔案中的客戶匯入共用資料庫。</translation>
    </message>
    <message>
        <source>Not a number of days: %1</source>
        <translation>不是天數：%1</translation>
    </message>
    <message>
        <source>Backed up to %1.</source>
        <translation>已備份至 %1。</translation>
    </message>
    <message>
        <source>Removed %1 history entries older than %2 days.</source>
        <translation>已刪除 %1 筆超過 %2 天的異動紀錄。</translation>
    </message>
    <message>
        <source>%1 has no header row of column names.</source>
        <translation>%1 沒有欄位名稱的標題列。</translation>
    </message>
    <message>
        <source>%1, line %2: %3 values, but the header names only %4 columns.</source>
        <translation>%1 第 %2 行：有 %3 個值，但標題列只有 %4 個欄位。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>無法讀取 %1：%2。</translation>
    </message>
    <message>
        <source>%1: no such file or folder.</source>
        <translation>%1：沒有這個檔案或資料夾。</translation>
    </message>
    <message>
        <source>%1 is neither an Access file (.mdb, .accdb), a qel.db nor a folder of CSV files.</source>
        <translation>%1 不是 Access 檔案（.mdb、.accdb）、qel.db，也不是 CSV 檔案的資料夾。</translation>
    </message>
    <message>
        <source>Cannot create</source>
        <translation>無法建立</translation>
    </message>
    <message>
        <source>Cannot create a scratch folder: %1</source>
        <translation>無法建立暫存資料夾：%1</translation>
    </message>
</context>
<context>
    <name>UserFolder</name>
    <message>
        <source>The data folder %1 cannot be used: %2</source>
        <translation>無法使用資料夾 %1：%2</translation>
    </message>
    <message>
        <source>it is not a folder.</source>
        <translation>它不是資料夾。</translation>
    </message>
    <message>
        <source>it cannot be entered.</source>
        <translation>無法進入該資料夾。</translation>
    </message>
</context>
<context>
    <name>frmCust</name>
    <message>
        <source>The history opens while browsing: save the customer first.</source>
        <translation>異動紀錄只能在瀏覽時開啟：請先儲存客戶。</translation>
    </message>
    <message>
        <source>Another customer now has the C_No %1. Restore this customer as %2?</source>
        <translation>客戶編號 %1 已由另一位客戶使用。要將此客戶還原為 %2 嗎？</translation>
    </message>
    <message>
        <source>Save the customer being edited first.</source>
        <translation>請先儲存正在編輯的客戶。</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Finish

</source>
        <translation>完成

</translation>
    </message>
    <message>
        <source>

Only what is saved was used: the customer being edited is not saved yet.</source>
        <translation>

只使用了已儲存的資料：正在編輯的客戶尚未儲存。</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>匯入</translation>
    </message>
    <message>
        <source>Access, CSV or Qel files (*.mdb *.accdb *.csv *.db)</source>
        <translation>Access、CSV 或 Qel 檔案 (*.mdb *.accdb *.csv *.db)</translation>
    </message>
    <message>
        <source>Export to folder</source>
        <translation>匯出至資料夾</translation>
    </message>
    <message>
        <source>Back up to file</source>
        <translation>備份至檔案</translation>
    </message>
    <message>
        <source>Qel databases (*.db)</source>
        <translation>Qel 資料庫 (*.db)</translation>
    </message>
    <message>
        <source>Backed up to %1 (%2 bytes).
To restore it, close Qel and put the copy in place as qel.db.</source>
        <translation>已備份至 %1（%2 位元組）。
要還原時，請關閉 Qel，再將此副本改名為 qel.db 放回原處。</translation>
    </message>
    <message>
        <source>There is no saved customer to print.</source>
        <translation>沒有已儲存的客戶可列印。</translation>
    </message>
    <message>
        <source>This customer is no longer in the file.</source>
        <translation>此客戶已不在檔案中。</translation>
    </message>
    <message>
        <source>The new customer is not saved yet: the card shows the customer shown before, as saved.</source>
        <translation>新客戶尚未儲存：客戶卡列印的是先前顯示、已儲存的客戶。</translation>
    </message>
    <message>
        <source>The card shows the customer as saved: changes not saved yet are not printed.</source>
        <translation>客戶卡列印的是已儲存的資料：尚未儲存的修改不會列印。</translation>
    </message>
    <message>
        <source>MM</source>
        <translation>MM</translation>
    </message>
    <message>
        <source>Individual</source>
        <translation>個人資料</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>家庭成員</translation>
    </message>
    <message>
        <source>Insurance</source>
        <translation>保單</translation>
    </message>
    <message>
        <source>Compensation</source>
        <translation>理賠</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>聯絡紀錄</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>基本資料</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>C_No</source>
        <translation>客戶編號</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>類別</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>生日</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>年</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>月</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Marriage</source>
        <translation>婚姻</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>Blood</source>
        <translation>血型</translation>
    </message>
    <message>
        <source>Birthplace</source>
        <translation>出生地</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>身分證號</translation>
    </message>
    <message>
        <source>E-Mail</source>
        <translation>電子郵件</translation>
    </message>
    <message>
        <source>Tel(H)</source>
        <translation>住家電話</translation>
    </message>
    <message>
        <source>Mobile</source>
        <translation>手機</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Add(H)</source>
        <translation>住家地址</translation>
    </message>
    <message>
        <source>Business</source>
        <translation>行業</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>職稱</translation>
    </message>
    <message>
        <source>Income</source>
        <translation>年收入</translation>
    </message>
    <message>
        <source>Job Grade</source>
        <translation>職業等級</translation>
    </message>
    <message>
        <source>Tel(O)</source>
        <translation>電話</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>傳真</translation>
    </message>
    <message>
        <source>Add(O)</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>Someone else changed this customer after this window showed it, so your changes were not saved. The window now shows the customer as stored: please make your changes again.</source>
        <translation>在本視窗顯示此客戶之後，有其他人修改了這位客戶，因此您的修改未儲存。視窗現在顯示已儲存的資料：請重新修改。</translation>
    </message>
    <message>
        <source>Someone else deleted this customer after this window showed it, so your changes were not saved. The window has gone back to the start of the customer list.</source>
        <translation>在本視窗顯示此客戶之後，有其他人刪除了這位客戶，因此您的修改未儲存。視窗已回到客戶清單的開頭。</translation>
    </message>
    <message>
        <source>Someone else had already deleted this customer. The window has gone back to the start of the customer list.</source>
        <translation>其他人已刪除了這位客戶。視窗已回到客戶清單的開頭。</translation>
    </message>
    <message>
        <source>MAIN MENU</source>
        <translation>主畫面</translation>
    </message>
</context>
<context>
    <name>frmHistory</name>
    <message>
        <source>Restore</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source>Changes</source>
        <translation>異動</translation>
    </message>
    <message>
        <source>Deleted customers</source>
        <translation>已刪除的客戶</translation>
    </message>
    <message>
        <source>HISTORY</source>
        <translation>異動紀錄</translation>
    </message>
    <message>
        <source>When</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>Who</source>
        <translation>使用者</translation>
    </message>
    <message>
        <source>What</source>
        <translation>動作</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>C_No</source>
        <translation>客戶編號</translation>
    </message>
    <message>
        <source>C_No %1</source>
        <translation>客戶編號 %1</translation>
    </message>
    <message>
        <source>No customer shown</source>
        <translation>未顯示客戶</translation>
    </message>
    <message>
        <source>Changes (%1)</source>
        <translation>異動（%1）</translation>
    </message>
    <message>
        <source>Deleted customers (%1)</source>
        <translation>已刪除的客戶（%1）</translation>
    </message>
    <message>
        <source>Select a line first.</source>
        <translation>請先選擇一列。</translation>
    </message>
</context>
<context>
    <name>frmSchedule</name>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Weekday</source>
        <translation>星期</translation>
    </message>
    <message>
        <source>What</source>
        <translation>事項</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>C_No</source>
        <translation>客戶編號</translation>
    </message>
    <message>
        <source>Tel(H)</source>
        <translation>住家電話</translation>
    </message>
    <message>
        <source>Mobile</source>
        <translation>手機</translation>
    </message>
    <message>
        <source>Insurer</source>
        <translation>保險公司</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>險種</translation>
    </message>
    <message>
        <source>Insur_No</source>
        <translation>保單號碼</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>欄位</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>內容</translation>
    </message>
    <message>
        <source>Days</source>
        <translation>天數</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation>行事曆</translation>
    </message>
    <message>
        <source>Unreadable</source>
        <translation>無法判讀</translation>
    </message>
    <message>
        <source>SCHEDULE</source>
        <translation>行事曆</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>期間</translation>
    </message>
    <message>
        <source>%1 (%2) to %3 (%4)</source>
        <translation>%1（%2）至 %3（%4）</translation>
    </message>
    <message>
        <source>Schedule (%1)</source>
        <translation>行事曆（%1）</translation>
    </message>
    <message>
        <source>Unreadable (%1)</source>
        <translation>無法判讀（%1）</translation>
    </message>
</context>
<context>
    <name>frmSearch</name>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>Customer Type</source>
        <translation>客戶類別</translation>
    </message>
    <message>
        <source>Add(H)</source>
        <translation>住家地址</translation>
    </message>
    <message>
        <source>Borthday(month)</source>
        <translation>生日月份</translation>
    </message>
    <message>
        <source>Business</source>
        <translation>行業</translation>
    </message>
    <message>
        <source>Add(O)</source>
        <translation>公司地址</translation>
    </message>
    <message>
        <source>Income</source>
        <translation>年收入</translation>
    </message>
    <message>
        <source>Marital Status</source>
        <translation>婚姻狀況</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜尋</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>重設</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source>SEARCH</source>
        <translation>搜尋</translation>
    </message>
    <message>
        <source>Non found！Please adjust the condition！</source>
        <translation>查無資料！請調整條件！</translation>
    </message>
    <message>
        <source> %1 items has be found！</source>
        <translation>共找到 %1 筆！</translation>
    </message>
</context>
<context>
    <name>frmSearchResult</name>
    <message>
        <source>first</source>
        <translation>第一筆</translation>
    </message>
    <message>
        <source>previous</source>
        <translation>上一筆</translation>
    </message>
    <message>
        <source>next</source>
        <translation>下一筆</translation>
    </message>
    <message>
        <source>last</source>
        <translation>最後一筆</translation>
    </message>
    <message>
        <source>Total：</source>
        <translation>共：</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>目前位置</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>總筆數</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>離開</translation>
    </message>
    <message>
        <source>Individual</source>
        <translation>個人資料</translation>
    </message>
    <message>
        <source>Family</source>
        <translation>家庭成員</translation>
    </message>
    <message>
        <source>Insurance</source>
        <translation>保單</translation>
    </message>
    <message>
        <source>Compensation</source>
        <translation>理賠</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>聯絡紀錄</translation>
    </message>
    <message>
        <source>Personal</source>
        <translation>基本資料</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>類別</translation>
    </message>
    <message>
        <source>Birthday</source>
        <translation>生日</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>年</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>月</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Marriage</source>
        <translation>婚姻</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性別</translation>
    </message>
    <message>
        <source>Blood</source>
        <translation>血型</translation>
    </message>
    <message>
        <source>Birthplace</source>
        <translation>出生地</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>身分證號</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>電子郵件</translation>
    </message>
    <message>
        <source>Tel(H)</source>
        <translation>住家電話</translation>
    </message>
    <message>
        <source>Mobile</source>
        <translation>手機</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Add(H)</source>
        <translation>住家地址</translation>
    </message>
    <message>
        <source>Business</source>
        <translation>行業</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>職稱</translation>
    </message>
    <message>
        <source>Job Grade</source>
        <translation>職業等級</translation>
    </message>
    <message>
        <source>Income</source>
        <translation>年收入</translation>
    </message>
    <message>
        <source>Tel(O)</source>
        <translation>電話</translation>
    </message>
    <message>
        <source>Fax</source>
        <translation>傳真</translation>
    </message>
    <message>
        <source>Add(O)</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>RESULT</source>
        <translation>搜尋結果</translation>
    </message>
    <message>
        <source>Bottom！</source>
        <translation>已是最後一筆！</translation>
    </message>
    <message>
        <source>Top！</source>
        <translation>已是第一筆！</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Import an Access file (.mdb, .accdb), a folder of CSV files or another qel.db into qel.db of the working folder, or into the shared database that QEL_DATABASE names.</source>
        <translation>將 Access 檔案（.mdb、.accdb）、一個 CSV 檔案資料夾或另一個 qel.db 匯入工作資料夾的 qel.db，或匯入 QEL_DATABASE 所指定的共用資料庫。</translation>
    </message>
    <message>
        <source>Windows code page of the text in old (Jet 3) Access files (default 950) and in CSV files without a UTF-8 byte-order mark (default UTF-8), e.g. 950 for Traditional Chinese.</source>
        <translation>舊版（Jet 3）Access 檔案（預設 950）及沒有 UTF-8 位元組順序標記的 CSV 檔案（預設 UTF-8）中文字的 Windows 字碼頁，例如繁體中文為 950。</translation>
    </message>
    <message>
        <source>Keep the data in ~/Qel (created, readable by its owner only, when missing) instead of the working folder. The desktop menu starts Qel this way.</source>
        <translation>將資料存放在 ~/Qel（不存在時建立，只有擁有者可讀取），而不是工作資料夾。桌面選單以此方式啟動 Qel。</translation>
    </message>
    <message>
        <source>Export qel.db of the working folder into FOLDER: the five tables as CSV files and the customers as customers.vcf.</source>
        <translation>將工作資料夾的 qel.db 匯出到 FOLDER：五個資料表存成 CSV 檔案，客戶存成 customers.vcf。</translation>
    </message>
    <message>
        <source>Write a consistent copy of qel.db of the working folder to FILE, also while Qel has it open.</source>
        <translation>將工作資料夾的 qel.db 寫成一致的副本 FILE，Qel 開著它時也可以。</translation>
    </message>
    <message>
        <source>Print the customers TEXT finds in qel.db of the working folder, as the find box lists them: name, C_No and what matched, one per line.</source>
        <translation>列出在工作資料夾的 qel.db 中以 TEXT 找到的客戶，與尋找框相同：姓名、客戶編號及相符的內容，每行一位。</translation>
    </message>
    <message>
        <source>Remove the history of changes older than DAYS days, after a backup, whose place it prints.</source>
        <translation>先備份（並印出備份位置），再刪除 DAYS 天以前的異動紀錄。</translation>
    </message>
    <message>
        <source>Qel keeps an insurance agent&apos;s card index of customers in qel.db of the working folder. Without options it opens the customer window.</source>
        <translation>Qel 將保險業務員的客戶資料卡存放在工作資料夾的 qel.db 中。不加選項時開啟客戶視窗。</translation>
    </message>
    <message>
        <source>Unknown argument: %1</source>
        <translation>不明的引數：%1</translation>
    </message>
    <message>
        <source>Not a code page number: %1</source>
        <translation>不是字碼頁編號：%1</translation>
    </message>
    <message>
        <source>Give one job at a time: --import, --export, --backup, --find or --history-prune.</source>
        <translation>一次只能指定一項工作：--import、--export、--backup、--find 或 --history-prune。</translation>
    </message>
    <message>
        <source>--codepage goes with --import.</source>
        <translation>--codepage 須與 --import 一起使用。</translation>
    </message>
</context>
<context>
    <name>placement</name>
    <message>
        <source>%1 cell</source>
        <translation>%1 儲存格</translation>
    </message>
</context>
</TS>
