-- Orders: a small order-entry database used by the demo and the tests.
-- Two schemas (dbo for the shop floor, sales for the sales office), tables, views and procedures.
SET NOCOUNT ON
GO

CREATE SCHEMA sales AUTHORIZATION dbo
GO

-- Reference data -------------------------------------------------------------------------------

CREATE TABLE dbo.Countries (
    CountryCode char(2) NOT NULL CONSTRAINT PK_Countries PRIMARY KEY,
    Name nvarchar(60) NOT NULL CONSTRAINT UQ_Countries_Name UNIQUE,
    EuMember bit NOT NULL CONSTRAINT DF_Countries_EuMember DEFAULT (0)
)
GO

CREATE TABLE dbo.Currencies (
    CurrencyCode char(3) NOT NULL PRIMARY KEY,
    Name nvarchar(40) NOT NULL,
    DecimalPlaces tinyint NOT NULL DEFAULT 2 CHECK (DecimalPlaces <= 4)
)
GO

CREATE TABLE dbo.Regions (
    RegionID int IDENTITY(1, 1) NOT NULL,
    CountryCode char(2) NOT NULL,
    Name nvarchar(60) NOT NULL,
    CONSTRAINT PK_Regions PRIMARY KEY (RegionID),
    CONSTRAINT FK_Regions_Countries FOREIGN KEY (CountryCode) REFERENCES dbo.Countries (CountryCode)
)
GO

CREATE TABLE dbo.Employees (
    EmployeeID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Employees PRIMARY KEY,
    LastName nvarchar(40) NOT NULL,
    FirstName nvarchar(30) NOT NULL,
    Title nvarchar(60) NULL,
    ManagerID int NULL CONSTRAINT FK_Employees_Employees REFERENCES dbo.Employees (EmployeeID),
    HireDate date NOT NULL,
    Email varchar(254) NULL,
    CONSTRAINT CK_Employees_Names CHECK (LastName <> FirstName)
)
GO

CREATE TABLE dbo.Customers (
    CustomerID int IDENTITY(1, 1) NOT NULL,
    CompanyName nvarchar(80) NOT NULL,
    ContactName nvarchar(60) NULL,
    CountryCode char(2) NOT NULL,
    RegionID int NULL,
    CreditLimit money NOT NULL CONSTRAINT DF_Customers_CreditLimit DEFAULT 1000,
    Notes nvarchar(max) NULL,
    CreatedAt datetime2(3) NOT NULL DEFAULT (sysutcdatetime()),
    CONSTRAINT PK_Customers PRIMARY KEY CLUSTERED (CustomerID),
    CONSTRAINT FK_Customers_Countries FOREIGN KEY (CountryCode) REFERENCES dbo.Countries (CountryCode),
    CONSTRAINT FK_Customers_Regions FOREIGN KEY (RegionID) REFERENCES dbo.Regions (RegionID),
    CONSTRAINT CK_Customers_CreditLimit CHECK (CreditLimit >= 0)
)
GO

CREATE INDEX IX_Customers_CompanyName ON dbo.Customers (CompanyName)
GO

CREATE TABLE dbo.Suppliers (
    SupplierID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    CompanyName nvarchar(80) NOT NULL UNIQUE,
    CountryCode char(2) NOT NULL REFERENCES dbo.Countries (CountryCode),
    Phone varchar(24) NULL
)
GO

CREATE TABLE dbo.Categories (
    CategoryID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Categories PRIMARY KEY,
    ParentCategoryID int NULL,
    Name nvarchar(50) NOT NULL,
    Description ntext NULL
)
GO

ALTER TABLE dbo.Categories ADD CONSTRAINT FK_Categories_Parent
    FOREIGN KEY (ParentCategoryID) REFERENCES dbo.Categories (CategoryID)
GO

CREATE TABLE dbo.Products (
    ProductID int IDENTITY(1, 1) NOT NULL,
    ProductCode varchar(20) NOT NULL,
    Name nvarchar(100) NOT NULL,
    CategoryID int NOT NULL,
    SupplierID int NULL,
    UnitPrice decimal(12, 2) NOT NULL CONSTRAINT DF_Products_UnitPrice DEFAULT ((0)),
    CurrencyCode char(3) NOT NULL,
    Discontinued bit NOT NULL DEFAULT 0,
    Weight real NULL,
    Picture varbinary(max) NULL,
    RowVersion rowversion,
    CONSTRAINT PK_Products PRIMARY KEY (ProductID),
    CONSTRAINT UQ_Products_Code UNIQUE NONCLUSTERED (ProductCode),
    CONSTRAINT FK_Products_Categories FOREIGN KEY (CategoryID) REFERENCES dbo.Categories (CategoryID),
    CONSTRAINT FK_Products_Suppliers FOREIGN KEY (SupplierID) REFERENCES dbo.Suppliers (SupplierID),
    CONSTRAINT FK_Products_Currencies FOREIGN KEY (CurrencyCode) REFERENCES dbo.Currencies (CurrencyCode),
    CONSTRAINT CK_Products_UnitPrice CHECK (UnitPrice >= 0)
)
GO

CREATE UNIQUE INDEX UX_Products_Name ON dbo.Products (Name, SupplierID)
GO

CREATE TABLE dbo.Warehouses (
    WarehouseID smallint NOT NULL CONSTRAINT PK_Warehouses PRIMARY KEY NONCLUSTERED,
    Name nvarchar(50) NOT NULL,
    RegionID int NULL CONSTRAINT FK_Warehouses_Regions REFERENCES dbo.Regions (RegionID)
)
GO

CREATE TABLE dbo.Stock (
    WarehouseID smallint NOT NULL,
    ProductID int NOT NULL,
    Quantity int NOT NULL CONSTRAINT DF_Stock_Quantity DEFAULT 0,
    ReorderLevel int NULL,
    CONSTRAINT PK_Stock PRIMARY KEY (WarehouseID, ProductID),
    CONSTRAINT FK_Stock_Warehouses FOREIGN KEY (WarehouseID) REFERENCES dbo.Warehouses (WarehouseID),
    CONSTRAINT FK_Stock_Products FOREIGN KEY (ProductID) REFERENCES dbo.Products (ProductID),
    CONSTRAINT CK_Stock_Quantity CHECK (Quantity >= 0 AND (ReorderLevel IS NULL OR ReorderLevel >= 0))
)
GO

-- Orders ----------------------------------------------------------------------------------------

CREATE TABLE dbo.Orders (
    OrderID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY,
    CustomerID int NOT NULL CONSTRAINT FK_Orders_Customers REFERENCES dbo.Customers (CustomerID),
    EmployeeID int NULL CONSTRAINT FK_Orders_Employees REFERENCES dbo.Employees (EmployeeID),
    OrderDate datetime NOT NULL CONSTRAINT DF_Orders_OrderDate DEFAULT (getdate()),
    RequiredDate datetime NULL,
    ShippedDate datetime NULL,
    WarehouseID smallint NULL CONSTRAINT FK_Orders_Warehouses REFERENCES dbo.Warehouses (WarehouseID),
    CurrencyCode char(3) NOT NULL CONSTRAINT FK_Orders_Currencies REFERENCES dbo.Currencies (CurrencyCode),
    TotalAmount decimal(14, 2) NULL,
    Status char(1) NOT NULL CONSTRAINT DF_Orders_Status DEFAULT 'N'
        CONSTRAINT CK_Orders_Status CHECK (Status IN ('N', 'P', 'S', 'C')),
    CONSTRAINT CK_Orders_Dates CHECK (ShippedDate IS NULL OR ShippedDate >= OrderDate)
)
GO

CREATE INDEX IX_Orders_Customer_Date ON dbo.Orders (CustomerID, OrderDate DESC)
GO
CREATE NONCLUSTERED INDEX IX_Orders_ShippedDate ON dbo.Orders (ShippedDate DESC, Status)
    INCLUDE (TotalAmount)
GO

CREATE TABLE dbo.OrderLines (
    OrderID int NOT NULL,
    LineNumber smallint NOT NULL,
    ProductID int NOT NULL,
    Quantity int NOT NULL CHECK (Quantity > 0),
    UnitPrice decimal(12, 2) NOT NULL,
    Discount decimal(4, 3) NOT NULL DEFAULT 0,
    PRIMARY KEY (OrderID, LineNumber),
    FOREIGN KEY (OrderID) REFERENCES dbo.Orders (OrderID),
    CONSTRAINT FK_OrderLines_Products FOREIGN KEY (ProductID) REFERENCES dbo.Products (ProductID)
)
GO

CREATE TABLE dbo.Invoices (
    InvoiceID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    OrderID int NOT NULL CONSTRAINT FK_Invoices_Orders REFERENCES dbo.Orders (OrderID),
    InvoiceNumber varchar(20) NOT NULL CONSTRAINT UQ_Invoices_Number UNIQUE,
    IssuedOn date NOT NULL,
    DueOn date NOT NULL,
    Amount decimal(14, 2) NOT NULL,
    CONSTRAINT CK_Invoices_Due CHECK (DueOn >= IssuedOn)
)
GO

CREATE TABLE dbo.Payments (
    PaymentID bigint IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Payments PRIMARY KEY,
    InvoiceID int NOT NULL CONSTRAINT FK_Payments_Invoices REFERENCES dbo.Invoices (InvoiceID),
    PaidOn datetime2 NOT NULL,
    Amount decimal(14, 2) NOT NULL,
    Method varchar(10) NOT NULL CONSTRAINT CK_Payments_Method CHECK (Method IN ('card', 'transfer', 'cash')),
    Reference uniqueidentifier NULL
)
GO

CREATE TABLE dbo.Shipments (
    ShipmentID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_Shipments PRIMARY KEY,
    OrderID int NOT NULL CONSTRAINT FK_Shipments_Orders REFERENCES dbo.Orders (OrderID),
    WarehouseID smallint NOT NULL CONSTRAINT FK_Shipments_Warehouses REFERENCES dbo.Warehouses (WarehouseID),
    Carrier nvarchar(40) NULL,
    TrackingCode varchar(40) NULL,
    ShippedAt datetimeoffset(0) NULL
)
GO

-- Two-column foreign key: each shipped item is one order line.
CREATE TABLE dbo.ShipmentItems (
    ShipmentID int NOT NULL,
    OrderID int NOT NULL,
    LineNumber smallint NOT NULL,
    Quantity int NOT NULL,
    CONSTRAINT PK_ShipmentItems PRIMARY KEY (ShipmentID, OrderID, LineNumber),
    CONSTRAINT FK_ShipmentItems_Shipments FOREIGN KEY (ShipmentID) REFERENCES dbo.Shipments (ShipmentID),
    CONSTRAINT FK_ShipmentItems_OrderLines FOREIGN KEY (OrderID, LineNumber)
        REFERENCES dbo.OrderLines (OrderID, LineNumber)
)
GO

CREATE TABLE dbo.CustomerContactPreferencesEmail (
    CustomerID int NOT NULL PRIMARY KEY REFERENCES dbo.Customers (CustomerID),
    Email varchar(254) NOT NULL,
    Newsletter bit NOT NULL DEFAULT 1
)
GO

CREATE TABLE dbo.CustomerContactPreferencesPhone (
    CustomerID int NOT NULL PRIMARY KEY REFERENCES dbo.Customers (CustomerID),
    Phone varchar(24) NOT NULL,
    CallAfter time(0) NULL
)
GO

-- Odd names that clients must cope with.
CREATE TABLE [dbo].[O'Neil] (
    [O'NeilID] int NOT NULL CONSTRAINT [PK_O'Neil] PRIMARY KEY,
    [Remark] nvarchar(100) NULL
)
GO

CREATE TABLE dbo.[Order.Archive] (
    ArchiveID int NOT NULL PRIMARY KEY,
    OrderID int NOT NULL,
    ArchivedAt datetime NOT NULL,
    Payload xml NULL
)
GO

CREATE TABLE dbo.[Größen] (
    [GrößeID] int NOT NULL PRIMARY KEY,
    [Größe] nvarchar(10) NOT NULL,
    [Maß] decimal(6, 2) NULL
)
GO

CREATE TABLE dbo.[Ελλάδα] (
    [Κωδικός] int NOT NULL CONSTRAINT [PK_Ελλάδα] PRIMARY KEY,
    [Όνομα] nvarchar(50) NOT NULL,
    [Größe] smallint NULL
)
GO

CREATE TABLE dbo.AppSettings (
    SettingName varchar(64) NOT NULL,
    SettingValue nvarchar(400) NULL,
    ChangedAt smalldatetime NULL
)
GO

CREATE TABLE dbo.AuditLog (
    AuditID bigint IDENTITY(1, 1) NOT NULL,
    TableName sysname NOT NULL,
    Action char(1) NOT NULL,
    ChangedBy nvarchar(128) NULL,
    ChangedAt datetime NOT NULL DEFAULT getdate(),
    Details text NULL,
    Snapshot image NULL
)
GO

CREATE CLUSTERED INDEX CIX_AuditLog_ChangedAt ON dbo.AuditLog (ChangedAt DESC, AuditID)
GO

-- The sales office -------------------------------------------------------------------------------

-- Same name as dbo.Customers: the sales office keeps its own prospects.
CREATE TABLE sales.Customers (
    ProspectID int IDENTITY(1, 1) NOT NULL CONSTRAINT PK_SalesCustomers PRIMARY KEY,
    CompanyName nvarchar(80) NOT NULL,
    AccountManagerID int NULL CONSTRAINT FK_SalesCustomers_Employees REFERENCES dbo.Employees (EmployeeID),
    ConvertedCustomerID int NULL CONSTRAINT FK_SalesCustomers_Customers REFERENCES dbo.Customers (CustomerID),
    Score tinyint NULL CONSTRAINT CK_SalesCustomers_Score CHECK (Score BETWEEN 0 AND 100)
)
GO

CREATE INDEX IX_SalesCustomers_Manager ON sales.Customers (AccountManagerID)
GO

CREATE TABLE sales.Territories (
    TerritoryID int NOT NULL CONSTRAINT PK_Territories PRIMARY KEY,
    Name nvarchar(50) NOT NULL,
    RegionID int NOT NULL CONSTRAINT FK_Territories_Regions REFERENCES dbo.Regions (RegionID)
)
GO

CREATE TABLE sales.EmployeeTerritories (
    EmployeeID int NOT NULL,
    TerritoryID int NOT NULL,
    CONSTRAINT PK_EmployeeTerritories PRIMARY KEY NONCLUSTERED (EmployeeID, TerritoryID),
    CONSTRAINT FK_EmployeeTerritories_Employees FOREIGN KEY (EmployeeID) REFERENCES dbo.Employees (EmployeeID),
    CONSTRAINT FK_EmployeeTerritories_Territories FOREIGN KEY (TerritoryID) REFERENCES sales.Territories (TerritoryID)
)
GO

CREATE TABLE sales.Quotes (
    QuoteID int IDENTITY(1, 1) NOT NULL PRIMARY KEY,
    ProspectID int NOT NULL REFERENCES sales.Customers (ProspectID),
    ValidUntil date NOT NULL,
    Amount numeric(14, 2) NOT NULL CHECK (Amount > 0)
)
GO

CREATE TABLE sales.QuoteLines (
    QuoteID int NOT NULL,
    LineNumber smallint NOT NULL,
    ProductID int NOT NULL,
    Quantity int NOT NULL,
    CONSTRAINT PK_QuoteLines PRIMARY KEY (QuoteID, LineNumber),
    CONSTRAINT FK_QuoteLines_Quotes FOREIGN KEY (QuoteID) REFERENCES sales.Quotes (QuoteID),
    CONSTRAINT FK_QuoteLines_Products FOREIGN KEY (ProductID) REFERENCES dbo.Products (ProductID)
)
GO

CREATE TABLE sales.Targets (
    EmployeeID int NOT NULL,
    Year smallint NOT NULL,
    Quarter tinyint NOT NULL,
    Amount money NOT NULL,
    CONSTRAINT PK_Targets PRIMARY KEY (EmployeeID, Year, Quarter),
    CONSTRAINT CK_Targets_Quarter CHECK (Quarter BETWEEN 1 AND 4),
    CONSTRAINT FK_Targets_Employees FOREIGN KEY (EmployeeID) REFERENCES dbo.Employees (EmployeeID)
)
GO

CREATE TABLE sales.Campaigns (
    CampaignID int NOT NULL,
    Name nvarchar(80) NOT NULL,
    StartsOn date NOT NULL,
    EndsOn date NULL
)
GO

ALTER TABLE sales.Campaigns ADD CONSTRAINT PK_Campaigns PRIMARY KEY (CampaignID)
GO
ALTER TABLE sales.Campaigns WITH CHECK ADD CONSTRAINT CK_Campaigns_Dates CHECK (EndsOn IS NULL OR EndsOn >= StartsOn)
GO

CREATE TABLE sales.CampaignResponses (
    CampaignID int NOT NULL,
    ProspectID int NOT NULL,
    RespondedOn date NOT NULL,
    Channel varchar(10) NULL
)
GO

ALTER TABLE sales.CampaignResponses ADD
    PRIMARY KEY (CampaignID, ProspectID),
    FOREIGN KEY (CampaignID) REFERENCES sales.Campaigns (CampaignID),
    FOREIGN KEY (ProspectID) REFERENCES sales.Customers (ProspectID)
GO

-- Views -----------------------------------------------------------------------------------------

CREATE VIEW dbo.OrderSummary
AS
SELECT o.OrderID, o.OrderDate, c.CompanyName, o.TotalAmount, o.Status
  FROM dbo.Orders AS o
  JOIN dbo.Customers AS c ON c.CustomerID = o.CustomerID
GO

CREATE VIEW dbo.ProductStock (ProductID, ProductName, WarehouseName, Quantity)
AS
SELECT p.ProductID, p.Name, w.Name, s.Quantity
  FROM dbo.Products p, dbo.Stock s, dbo.Warehouses w
 WHERE s.ProductID = p.ProductID AND s.WarehouseID = w.WarehouseID
GO

CREATE VIEW sales.OpenQuotes
AS
SELECT q.QuoteID, q.ValidUntil, q.Amount, Prospect = c.CompanyName
  FROM sales.Quotes q
  INNER JOIN sales.Customers c ON c.ProspectID = q.ProspectID
 WHERE q.ValidUntil >= CAST(GETDATE() AS date)
GO

-- Procedures ------------------------------------------------------------------------------------

CREATE PROCEDURE dbo.GetCustomerOrders
    @CustomerID int
AS
BEGIN
    SET NOCOUNT ON;
    SELECT OrderID, OrderDate, TotalAmount, Status
      FROM dbo.Orders
     WHERE CustomerID = @CustomerID
     ORDER BY OrderDate DESC;
END
GO

CREATE PROC sales.AssignTerritory @EmployeeID int, @TerritoryID int, @Assigned bit OUTPUT
AS
    INSERT INTO sales.EmployeeTerritories (EmployeeID, TerritoryID) VALUES (@EmployeeID, @TerritoryID);
    SET @Assigned = 1;
GO

/* Recomputes order totals bucket by bucket so that no single statement holds
   locks on the whole Orders table for long. */
CREATE PROCEDURE dbo.RecalculateOrderTotals
    @FromDate datetime = NULL
AS
BEGIN
    SET NOCOUNT ON;
    IF @FromDate IS NULL SET @FromDate = DATEADD(year, -1, GETDATE());
    -- Step 1: recompute the running totals for the orders of bucket 1
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 0 AND o.OrderDate >= @FromDate;
    -- Step 2: recompute the running totals for the orders of bucket 2
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 1 AND o.OrderDate >= @FromDate;
    -- Step 3: recompute the running totals for the orders of bucket 3
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 2 AND o.OrderDate >= @FromDate;
    -- Step 4: recompute the running totals for the orders of bucket 4
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 3 AND o.OrderDate >= @FromDate;
    -- Step 5: recompute the running totals for the orders of bucket 5
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 4 AND o.OrderDate >= @FromDate;
    -- Step 6: recompute the running totals for the orders of bucket 6
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 5 AND o.OrderDate >= @FromDate;
    -- Step 7: recompute the running totals for the orders of bucket 7
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 6 AND o.OrderDate >= @FromDate;
    -- Step 8: recompute the running totals for the orders of bucket 8
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 7 AND o.OrderDate >= @FromDate;
    -- Step 9: recompute the running totals for the orders of bucket 9
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 8 AND o.OrderDate >= @FromDate;
    -- Step 10: recompute the running totals for the orders of bucket 10
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 9 AND o.OrderDate >= @FromDate;
    -- Step 11: recompute the running totals for the orders of bucket 11
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 10 AND o.OrderDate >= @FromDate;
    -- Step 12: recompute the running totals for the orders of bucket 12
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 11 AND o.OrderDate >= @FromDate;
    -- Step 13: recompute the running totals for the orders of bucket 13
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 12 AND o.OrderDate >= @FromDate;
    -- Step 14: recompute the running totals for the orders of bucket 14
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 13 AND o.OrderDate >= @FromDate;
    -- Step 15: recompute the running totals for the orders of bucket 15
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 14 AND o.OrderDate >= @FromDate;
    -- Step 16: recompute the running totals for the orders of bucket 16
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 15 AND o.OrderDate >= @FromDate;
    -- Step 17: recompute the running totals for the orders of bucket 17
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 16 AND o.OrderDate >= @FromDate;
    -- Step 18: recompute the running totals for the orders of bucket 18
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 17 AND o.OrderDate >= @FromDate;
    -- Step 19: recompute the running totals for the orders of bucket 19
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 18 AND o.OrderDate >= @FromDate;
    -- Step 20: recompute the running totals for the orders of bucket 20
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 19 AND o.OrderDate >= @FromDate;
    -- Step 21: recompute the running totals for the orders of bucket 21
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 20 AND o.OrderDate >= @FromDate;
    -- Step 22: recompute the running totals for the orders of bucket 22
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 21 AND o.OrderDate >= @FromDate;
    -- Step 23: recompute the running totals for the orders of bucket 23
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 22 AND o.OrderDate >= @FromDate;
    -- Step 24: recompute the running totals for the orders of bucket 24
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 23 AND o.OrderDate >= @FromDate;
    -- Step 25: recompute the running totals for the orders of bucket 25
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 24 AND o.OrderDate >= @FromDate;
    -- Step 26: recompute the running totals for the orders of bucket 26
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 25 AND o.OrderDate >= @FromDate;
    -- Step 27: recompute the running totals for the orders of bucket 27
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 26 AND o.OrderDate >= @FromDate;
    -- Step 28: recompute the running totals for the orders of bucket 28
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 27 AND o.OrderDate >= @FromDate;
    -- Step 29: recompute the running totals for the orders of bucket 29
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 28 AND o.OrderDate >= @FromDate;
    -- Step 30: recompute the running totals for the orders of bucket 30
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 29 AND o.OrderDate >= @FromDate;
    -- Step 31: recompute the running totals for the orders of bucket 31
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 30 AND o.OrderDate >= @FromDate;
    -- Step 32: recompute the running totals for the orders of bucket 32
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 31 AND o.OrderDate >= @FromDate;
    -- Step 33: recompute the running totals for the orders of bucket 33
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 32 AND o.OrderDate >= @FromDate;
    -- Step 34: recompute the running totals for the orders of bucket 34
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 33 AND o.OrderDate >= @FromDate;
    -- Step 35: recompute the running totals for the orders of bucket 35
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 34 AND o.OrderDate >= @FromDate;
    -- Step 36: recompute the running totals for the orders of bucket 36
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 35 AND o.OrderDate >= @FromDate;
    -- Step 37: recompute the running totals for the orders of bucket 37
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 36 AND o.OrderDate >= @FromDate;
    -- Step 38: recompute the running totals for the orders of bucket 38
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 37 AND o.OrderDate >= @FromDate;
    -- Step 39: recompute the running totals for the orders of bucket 39
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 38 AND o.OrderDate >= @FromDate;
    -- Step 40: recompute the running totals for the orders of bucket 40
    UPDATE o
       SET o.TotalAmount = t.LineTotal
      FROM dbo.Orders AS o
      JOIN (SELECT OrderID, SUM(Quantity * UnitPrice) AS LineTotal
              FROM dbo.OrderLines
             GROUP BY OrderID) AS t ON t.OrderID = o.OrderID
     WHERE o.OrderID % 40 = 39 AND o.OrderDate >= @FromDate;
END
GO

GRANT EXECUTE ON dbo.GetCustomerOrders TO public
GO
